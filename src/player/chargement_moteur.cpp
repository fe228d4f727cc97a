#include "player/chargement_moteur.h"

#include "audio/lecteur_media.h"

#include <system_error>

namespace vt {

ChargementMoteur::ChargementMoteur(lecteur_media& media, SourceMoteur source)
    : media_(media), source_(std::move(source)) {}

ChargementMoteur::~ChargementMoteur() {
    // Put in place, so that the player closes it as it would have; the call
    // back from that thread is dropped with this object.
    if (resultat_.valid()) charger_maintenant();
}

bool ChargementMoteur::pret() const { return essaye_ || media_.moteur_charge(); }

void ChargementMoteur::charger() {
    if (lance_ || media_.moteur_charge()) return;
    lance_ = true;
    try {
        resultat_ = std::async(std::launch::async, [this, source = source_] {
            std::unique_ptr<MoteurAudio> m = source ? source() : nullptr;
            QMetaObject::invokeMethod(
                this, [this] { achever(); }, Qt::QueuedConnection);
            return m;
        });
    } catch (const std::system_error&) {
        // No thread to be had: loaded on this thread, as soon as the event
        // loop runs, so that the caller's event is handled first.
        QMetaObject::invokeMethod(
            this, [this] { achever(); }, Qt::QueuedConnection);
    }
}

void ChargementMoteur::quand_pret(std::function<void()> action) {
    // Once the loading has been tried, what comes runs at once, on the
    // null engine if the library could not be opened (as with no device).
    if (pret()) {
        action();
        return;
    }
    en_attente_.push_back(std::move(action));
    charger();
}

void ChargementMoteur::charger_maintenant() {
    if (media_.moteur_charge()) return;
    // A background loading is taken (waited for); after it, or without one,
    // the engine is made now: a library missing a moment ago is tried again.
    std::unique_ptr<MoteurAudio> m;
    if (resultat_.valid())
        m = resultat_.get();
    else if (source_)
        m = source_();
    if (m) media_.installer(std::move(m));
}

void ChargementMoteur::achever() {
    charger_maintenant();
    essaye_ = true;
    auto actions = std::move(en_attente_);
    en_attente_.clear();
    for (auto& a : actions) a();
}

}  // namespace vt
