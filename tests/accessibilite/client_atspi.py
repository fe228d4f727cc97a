#!/usr/bin/env python3
"""A small screen-reader-like client of the accessibility bus (AT-SPI).

Finds the running player among the bus's applications, presses "Stop" and
then "Lecture" through their press actions, and reads the status line back
after each, as a screen reader would. Exit status: 0 passed, 1 failed, 77
when the accessibility bus cannot be reached (the test is skipped).
"""
import sys
import time
import warnings

try:
    import gi

    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, Gio, GLib
except (ImportError, ValueError) as e:
    print(f"SKIP: AT-SPI bindings missing ({e})")
    sys.exit(77)

ATTENTE = 20.0  # seconds for the player to show up, and for each answer


def bus_joignable():
    try:
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        r = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
                              GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, 5000, None)
        return bool(r.unpack()[0])
    except GLib.Error as e:
        print(f"SKIP: no accessibility bus ({e.message})")
        return False


def frais(objet):
    # The library keeps what it read; the player changes under it.
    objet.clear_cache()
    return objet


def parcourir(objet, profondeur=0):
    yield objet
    if profondeur > 6:
        return
    for i in range(frais(objet).get_child_count()):
        enfant = objet.get_child_at_index(i)
        if enfant is not None:
            yield from parcourir(enfant, profondeur + 1)


def chercher(racine, role, nom=None, description=None):
    for o in parcourir(racine):
        try:
            if o.get_role() != role:
                continue
            if nom is not None and o.get_name() != nom:
                continue
            if description is not None and o.get_description() != description:
                continue
            return o
        except GLib.Error:
            continue
    return None


def attendre(fonction, message):
    fin = time.monotonic() + ATTENTE
    while time.monotonic() < fin:
        r = fonction()
        if r:
            return r
        time.sleep(0.2)
    print(f"FAILED: {message}")
    sys.exit(1)


def trouver_lecteur():
    bureau = Atspi.get_desktop(0)
    for i in range(frais(bureau).get_child_count()):
        app = bureau.get_child_at_index(i)
        if app is not None and chercher(app, Atspi.Role.PUSH_BUTTON, "Lecture"):
            return app
    return None


def presser(app, nom):
    bouton = chercher(app, Atspi.Role.PUSH_BUTTON, nom)
    if bouton is None:
        print(f"FAILED: no push button {nom!r}")
        sys.exit(1)
    # get_action_name: the one name the bindings give that does not clash
    # with the object's own get_name (it is marked deprecated for that).
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        noms = [bouton.get_action_name(i) for i in range(bouton.get_n_actions())]
    if "Press" not in noms:
        print(f"FAILED: {nom!r} has no press action ({noms})")
        sys.exit(1)
    if not bouton.do_action(noms.index("Press")):
        print(f"FAILED: press on {nom!r} refused")
        sys.exit(1)


def ligne_statut(app):
    # Its description is "Statut", followed by the entry that plays, if any.
    for o in parcourir(app):
        try:
            if o.get_role() == Atspi.Role.LABEL and (o.get_description() or "").split(",")[0] == "Statut":
                return o
        except GLib.Error:
            continue
    return None


def statut(app):
    s = ligne_statut(app)
    return frais(s).get_name() if s is not None else None


def description_statut(app):
    s = ligne_statut(app)
    return frais(s).get_description() if s is not None else None


def main():
    if not bus_joignable():
        return 77
    Atspi.init()
    app = attendre(trouver_lecteur, "the player never showed a push button \"Lecture\" on the bus")

    volume = chercher(app, Atspi.Role.SLIDER, "Volume")
    if volume is None or volume.get_maximum_value() != 255 or volume.get_current_value() != 255:
        print("FAILED: no slider \"Volume\" at 255 of 255")
        return 1
    # A value set through the bus moves the slider (to the nearest place of
    # its cursor) and comes back as the slider's value.
    volume.set_current_value(128)
    attendre(lambda: abs(frais(volume).get_current_value() - 128) <= 2,
             f"volume after setting 128: {frais(volume).get_current_value()}")

    presser(app, "Stop")
    attendre(lambda: statut(app) == "vantrel  en attente ...",
             f"status after Stop: {statut(app)!r}")
    presser(app, "Lecture")
    attendu = sys.argv[1] if len(sys.argv) > 1 else "Lecture : a.wav"
    attendre(lambda: statut(app) == attendu, f"status after Lecture: {statut(app)!r}, expected {attendu!r}")
    if attendu.startswith("Lecture : "):
        decrit = "Statut, en lecture : " + attendu[len("Lecture : "):]
        attendre(lambda: description_statut(app) == decrit,
                 f"status description: {description_statut(app)!r}, expected {decrit!r}")
    print(f"status read back: {statut(app)!r}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
