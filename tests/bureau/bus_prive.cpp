#include "bureau/bus_prive.h"

#include <QFile>
#include <QStandardPaths>

namespace vt::test {

BusPrive::~BusPrive() { arreter(); }

bool BusPrive::demarrer(const std::string& dossier, std::string& raison) {
    const QString programme = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (programme.isEmpty()) {
        raison = "dbus-daemon is not installed (Debian package dbus-daemon)";
        return false;
    }
    const QString d = QFile::decodeName(QByteArray::fromStdString(dossier));
    const QString config = d + QStringLiteral("/bus.conf");
    QFile f(config);
    if (!f.open(QIODevice::WriteOnly)) {
        raison = "cannot write the bus configuration";
        return false;
    }
    f.write(
        QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig>\n"
                       "  <type>session</type>\n"
                       "  <listen>unix:dir=%1</listen>\n"
                       "  <auth>EXTERNAL</auth>\n"
                       "  <policy context=\"default\">\n"
                       "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                       "    <allow eavesdrop=\"true\"/>\n"
                       "    <allow own=\"*\"/>\n"
                       "  </policy>\n"
                       "</busconfig>\n")
            .arg(d)
            .toUtf8());
    f.close();
    daemon_.setProgram(programme);
    daemon_.setArguments({QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                          QStringLiteral("--print-address=1")});
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start();
    if (!daemon_.waitForStarted(5000)) {
        raison = "dbus-daemon did not start";
        return false;
    }
    while (!daemon_.canReadLine()) {
        if (!daemon_.waitForReadyRead(5000)) {
            raison = "dbus-daemon gave no address: " + daemon_.readAllStandardError().toStdString();
            arreter();
            return false;
        }
    }
    adresse_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    return !adresse_.isEmpty();
}

QDBusConnection BusPrive::connexion(const QString& nom) {
    connexions_.push_back(nom);
    return QDBusConnection::connectToBus(adresse_, nom);
}

void BusPrive::arreter() {
    for (const QString& n : connexions_) QDBusConnection::disconnectFromBus(n);
    connexions_.clear();
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(3000);
        }
    }
}

}  // namespace vt::test
