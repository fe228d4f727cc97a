// How late a change still decides what follows a track, under PulseAudio:
// the player plays a 2 s entry of a looped list of three; at D ms before
// the join is heard (timed from the heard position, temps_ms) the second
// row is chosen, so that the third follows it. The change decided if the
// third entry is the one that follows. Tried for D from 1900 ms down to 50 ms; the figure is the
// smallest D that still decided with every larger D deciding too. Twice:
// alone on the server, then beside another client that plays and records
// with long buffers, so that the sink reads half a second ahead (a quiet
// desktop): there the queued entry is mixed in before the change comes.
// Output, one line per try, then the figure of each series:
//   try <D> decided <0|1>
//   decision latest_ms_before_join <D> (or n/a and the reason)
//   decision latest_ms_before_join_quiet_sink <D>
#include "audio/serveur_pulse.h"
#include "audio/sortie_pulse.h"
#include "player/lecteur.h"
#include "playlist/liste_courante.h"
#include "support/wav.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#if VANTREL_AVEC_PULSE

namespace {

using Horloge = std::chrono::steady_clock;

// Runs the event loop until `condition` holds or `max_ms` pass.
template <class F>
bool tourner(F condition, int max_ms) {
    const Horloge::time_point limite = Horloge::now() + std::chrono::milliseconds(max_ms);
    while (!condition()) {
        if (Horloge::now() > limite) return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// -1: the try could not be made; else whether the chosen row followed.
int essayer(const std::vector<std::string>& chemins, int avance_ms) {
    vt::ListeCourante liste;
    liste.ajouter_nommes_par_dernier_separateur(chemins);
    vt::Lecteur lecteur(liste, std::make_unique<vt::SortiePulse>(vt::SortiePulse::Repli::Silence));
    lecteur.arreter_horloge();
    lecteur.definir_boucle(true);
    lecteur.selectionner(0);
    int suivante = -1;
    QObject::connect(&lecteur, &vt::Lecteur::lecture, [&](int ligne) {
        if (ligne != 0) suivante = ligne;
    });
    if (!lecteur.jouer()) return -1;
    const std::int64_t total = lecteur.longueur_ms();
    if (!tourner([&] { return lecteur.temps_ms() >= total - avance_ms; }, 5000)) {
        std::fprintf(stderr, "try %d: the heard position stayed at %lld ms of %lld\n", avance_ms,
                     static_cast<long long>(lecteur.temps_ms()), static_cast<long long>(total));
        return -1;
    }
    lecteur.selectionner(1);  // what follows the chosen row: the third
    if (!tourner([&] { return suivante >= 0; }, 4000)) {
        std::fprintf(stderr, "try %d: nothing followed (playing %d, at %lld ms)\n", avance_ms,
                     int(lecteur.en_lecture()), static_cast<long long>(lecteur.temps_ms()));
        return -1;
    }
    return suivante == 2 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    vt::test::pulse::DemonPulse demon;
    if (!demon.pret()) {
        std::printf("decision n/a (no private PulseAudio daemon: %s)\n", demon.raison().c_str());
        return 0;
    }
    setenv("PULSE_SERVER", demon.serveur().c_str(), 1);
    QTemporaryDir dossier;
    std::vector<std::string> chemins;
    for (int k = 0; k < 3; ++k) {
        chemins.push_back(dossier.path().toStdString() + "/e" + std::to_string(k) + ".wav");
        std::ofstream(chemins.back(), std::ios::binary) << vt::test::octets_wav(2000, 440.0 + 110 * k);
    }
    auto serie = [&](const char* nom) {
        int dernier = -1;
        for (int avance : {1900, 1500, 1200, 1000, 800, 600, 400, 300, 200, 150, 100, 50}) {
            const int r = essayer(chemins, avance);
            std::printf("try %d decided %d\n", avance, r);
            std::fflush(stdout);
            if (r != 1) break;
            dernier = avance;
        }
        if (dernier < 0)
            std::printf("decision n/a (no change decided, even 1900 ms before the join)\n");
        else
            std::printf("decision %s %d\n", nom, dernier);
    };
    serie("latest_ms_before_join");
    vt::test::pulse::Client autre(demon.serveur());
    if (!autre.pret() || !autre.jouer_reference() || !autre.enregistrer()) {
        std::printf("decision n/a (the other client could not play and record)\n");
        return 0;
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    serie("latest_ms_before_join_quiet_sink");
    return 0;
}

#else

int main() {
    std::printf("decision n/a (built without libpulse headers)\n");
    return 0;
}

#endif
