#pragma once
// What the application object is told at start: its name for the desktop,
// and the French texts of the toolkit's own dialogs and buttons.
#include <QString>

class QTranslator;

namespace vt {

// The application's name is "vantrel", and so is the desktop entry it
// belongs to. No display name is set: the toolkit would append it to every
// window's caption ("Option — vantrel"), and the captions are exact.
void identifier_application();

// Loads the toolkit's French translation (qtbase_fr.qm, from Qt's
// translations folder or `dossier` when given) into the application, so
// that the standard dialogs and buttons read "Ouvrir", "Annuler", "Oui",
// "Non" whatever the user's locale. Returns the installed translator (owned
// by the application), or nullptr when the file is missing: the texts then
// stay in English.
QTranslator* traduire_en_francais(const QString& dossier = QString());

// Before any other thread: threads share two malloc arenas instead of
// one each. Every arena reserves 64 MiB of address space, which under an
// address space limit (`ulimit -v`) used up the room for the threads
// themselves, and then for the player's start.
void limiter_memoire_des_fils();

// Once the application object exists: the toolkit's thread pool, which
// splits large image fills over threads and waits for them, gets its one
// thread now, for good. A pool that cannot start a thread later (the
// system out of threads or memory) loses the work and the window waits for
// it forever: nothing more is painted and the close button does nothing.
void garder_fil_de_dessin();

}  // namespace vt
