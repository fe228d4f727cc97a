#pragma once
// Whether the graphical session the toolkit is about to open is there at
// all. Without one the toolkit aborts with a message of its own about its
// plug-ins; the player says instead, in French, that no graphical session
// was found, and ends with status 1. A platform that draws without a display
// server (offscreen, minimal, vnc, eglfs, linuxfb) needs no check.
#include <QByteArray>

#include <optional>
#include <string>

namespace vt {

// The platform plug-ins a value of QT_QPA_PLATFORM asks for ("xcb;wayland",
// "wayland:option", "offscreen"): true when every one of them needs a
// display server (xcb, wayland and its variants), so that none can start
// without one. An empty list stands for the toolkit's default (xcb).
bool plateformes_avec_serveur(const QByteArray& plateformes);

// The local socket of the X display `display` names (":0", "unix:1.0",
// ":2.1" give "/tmp/.X11-unix/X<n>"; a name that is itself a path before
// its ":<n>" is that path): empty when `display` names no display at all
// (empty, no number), nothing for a display on another host, which only
// the toolkit can try.
std::optional<std::string> socket_x(const std::string& display);

// The socket of the Wayland display `wayland_display` names in the runtime
// folder `runtime` (an absolute name is kept; an empty name is the
// library's default, "wayland-0"); empty when a relative name has no
// runtime folder.
std::string socket_wayland(const std::string& wayland_display, const std::string& runtime);

// Something listens on the local socket `chemin` (also tried in the
// abstract namespace when `abstrait`, as X servers listen there too).
bool socket_vivant(const std::string& chemin, bool abstrait = false);

// What the environment names (DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR,
// WAYLAND_SOCKET) and whether any of it answers.
struct Session {
    std::optional<std::string> display;
    std::optional<std::string> wayland_display;
    std::optional<std::string> runtime;
    bool wayland_socket = false;  // a connection handed over by a parent
};
Session session_de_l_environnement();
bool session_joignable(const Session& s);

// The message for a session that is not there: "vantrel : aucune session
// graphique n'a été trouvée" and what DISPLAY and WAYLAND_DISPLAY named.
std::string message_sans_session(const Session& s);

// Before the application object, once the platform is chosen
// (choisir_plateforme): with platforms that all need a display server and
// no server that answers, writes the message on standard error and returns
// false (the caller ends with status 1). While the toolkit then starts
// (until fin_demarrage_toolkit), a fatal error of its own (a server that
// answered but refused us) ends the process the same way rather than
// aborting it.
bool verifier_session_graphique();
void fin_demarrage_toolkit();

}  // namespace vt
