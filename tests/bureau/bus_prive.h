#pragma once
// A D-Bus daemon of the test's own, on a socket in a temporary folder, so
// that the media-player service is tested without ever reaching the user's
// session bus; and a helper that records the signals a connection receives.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QProcess>
#include <QString>

#include <string>
#include <vector>

namespace vt::test {

class BusPrive {
public:
    BusPrive() = default;
    ~BusPrive();
    BusPrive(const BusPrive&) = delete;
    BusPrive& operator=(const BusPrive&) = delete;

    // Starts the daemon with its configuration and socket in `dossier`.
    // False, with the reason, when dbus-daemon is not installed or does not
    // start.
    bool demarrer(const std::string& dossier, std::string& raison);
    const QString& adresse() const { return adresse_; }
    // A new connection to this bus under a name of its own.
    QDBusConnection connexion(const QString& nom);
    void arreter();

private:
    QProcess daemon_;
    QString adresse_;
    std::vector<QString> connexions_;
};

// Records every message delivered to its slot.
class Ecouteur : public QObject {
    Q_OBJECT
public:
    std::vector<QDBusMessage> messages;
public slots:
    void recu(const QDBusMessage& m) { messages.push_back(m); }
};

}  // namespace vt::test
