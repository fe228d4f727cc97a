// The audio engine's events: a small fixed ring that the mixer and the
// decoders fill (no allocation on their threads, the oldest dropped when
// full) and the caller empties (evenements), with the joins a server output
// has mixed but not played yet, told once the heard count reaches them.
//
// Threads: pousser runs on the output's thread (mixer lock held) and on the
// decoders' threads; evenements and definir_reveil on the GUI thread.
// `verrou_evenements` is a leaf: nothing is taken under it but the caller's
// wake-up, and evenements takes the mixer lock only after releasing it.
#include "audio/moteur_etat.h"

#include <algorithm>

namespace vt::moteur {

void MoteurMixage::Etat::pousser(Evenement::Type type, int id, std::uint32_t serie) {
    std::lock_guard<std::mutex> g(verrou_evenements);
    if (nb_evenements == kEvenements) {
        premier_evenement = (premier_evenement + 1) % kEvenements;
        --nb_evenements;
    }
    file_evenements[(premier_evenement + nb_evenements) % kEvenements] = {{type, id}, serie};
    ++nb_evenements;
}

void MoteurMixage::Etat::reveiller_appelant() {
    std::lock_guard<std::mutex> g(verrou_evenements);
    if (reveil) reveil();
}

void MoteurMixage::definir_reveil(std::function<void()> reveil) {
    Etat& e = *etat_;
    std::lock_guard<std::mutex> g(e.verrou_evenements);
    e.reveil = std::move(reveil);
}

std::vector<MoteurAudio::Evenement> MoteurMixage::evenements(std::int64_t& attente_ms) {
    Etat& e = *etat_;
    attente_ms = -1;
    std::vector<Evenement> r;
    if (!e.initialise) return r;
    std::vector<Etat::EvenementSerie> lus;
    {
        std::lock_guard<std::mutex> g(e.verrou_evenements);
        for (std::size_t i = 0; i < e.nb_evenements; ++i)
            lus.push_back(e.file_evenements[(e.premier_evenement + i) % Etat::kEvenements]);
        e.premier_evenement = e.nb_evenements = 0;
    }
    for (const Etat::EvenementSerie& x : lus) {
        if (x.e.type == Evenement::Type::FinDecodee) {
            // The end of an older series: the stream was sought or played
            // again since.
            const Etat::EntreeFlux* ef = e.trouver(x.e.flux);
            if (!ef || ef->flux->serie() != x.serie) continue;
        }
        r.push_back(x.e);
    }
    // Server outputs: the joins mixed and not heard yet.
    if (e.sortie->controles_serveur()) {
        const std::int64_t entendues = e.sortie->trames_entendues();
        std::lock_guard<std::mutex> g(e.verrou);
        for (int i = 0; i < e.nb_canaux; ++i) {
            Canal& c = e.canaux[i];
            std::size_t entendus = 0;
            while (entendus < c.nb_joints && entendues >= c.joints[entendus].sortie)
                r.push_back({Evenement::Type::Entendu, c.joints[entendus++].id});
            std::copy(c.joints.begin() + std::ptrdiff_t(entendus),
                      c.joints.begin() + std::ptrdiff_t(c.nb_joints), c.joints.begin());
            c.nb_joints -= entendus;
            if (c.nb_joints == 0) continue;
            std::int64_t ms = (c.joints[0].sortie - entendues) * 1000 / e.frequence + 1;
            attente_ms = attente_ms < 0 ? ms : std::min(attente_ms, ms);
        }
    }
    for (const Evenement& x : r)
        if (x.type == Evenement::Type::Entendu)
            if (const Etat::EntreeFlux* ef = e.trouver(x.flux)) e.sortie->definir_titre(ef->nom);
    return r;
}

}  // namespace vt::moteur
