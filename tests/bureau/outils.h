#pragma once
// Helpers of the desktop tests: a client run on a thread of its own while
// the test's thread serves the player's events, a socket file left behind
// as by a crash, and waiting on the event loop.
#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace vt::test {

// confier_au_lecteur() on another thread, the events of this one being
// processed meanwhile (the player answers from this thread).
bool confier_en_parallele(const QString& nom, const std::optional<std::string>& fichier,
                          int attente_ms = 5000);

// Runs `action` on another thread while this one processes its events.
void en_parallele(const std::function<void()>& action);

// Creates the socket file `chemin` with nobody listening on it, as a player
// that crashed leaves it.
bool socket_abandonne(const std::string& chemin);

// Processes events until `condition` holds or `ms` have passed.
bool attendre(const std::function<bool()>& condition, int ms = 5000);

}  // namespace vt::test
