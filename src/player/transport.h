#pragma once
// The transport: what the player decides, carried out on the audio engine.
// It holds the engine's handles (the playing stream and its channel), the
// entry whose track is open, and the streams queued to follow it without a
// gap; it tells the player when a queued entry is heard. The player
// (lecteur.h) keeps the current entry, the modes and the commands, and
// gives the transport the end-of-track rule to decide what is queued.
//
// A join, step by step (all on the GUI thread):
//   - the engine tells that the decoder has read the playing file to its
//     end (FinDecodee): the rule is asked what follows the current entry;
//     that file is opened and queued on the playing channel;
//   - until it is heard, a change of what the rule goes from (revoir:
//     the current entry, a mode, the loop flag, the list) takes the
//     decision again: when it no longer stands, the queued stream is
//     withdrawn, if the engine can still take it back (a stream mixed in
//     is written over from its join while that is far enough ahead of
//     what is heard), and another queued, or none;
//   - once mixed in and read to its end, a queued stream gets its own
//     follower, decided from its entry: with a server that holds a second
//     of sound, short files are mixed in before they are heard;
//   - once its first frame is heard (Entendu), a queued stream becomes the
//     playing one, and `entree_entendue` tells the player.
// Events about streams the transport no longer holds are not its own
// (stream handles are never reused).
#include "audio/lecteur_media.h"
#include "player/porte_lecteur.h"
#include "player/regles.h"

#include <QObject>
#include <QPersistentModelIndex>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace vt {

class ListeCourante;

class Transport : public QObject {
    Q_OBJECT
public:
    // On the engine made with `sortie` (nullptr: the default output).
    Transport(ListeCourante& liste, std::unique_ptr<SortieAudio> sortie);
    // On the null engine until a loading puts one in place.
    explicit Transport(ListeCourante& liste);
    ~Transport() override;

    // What the queued streams are decided from: the player's current entry,
    // and the end-of-track rule applied to an entry (-1: none).
    void definir_regle(std::function<int()> courant, std::function<ChoixFin(int depuis)> regle);

    // The engine's handles, read only, and the engine (the player's loading
    // puts it in place, its tests read it).
    lecteur_media& media() { return media_; }
    MoteurAudio& moteur() { return media_.moteur(); }
    const MoteurAudio& moteur() const { return media_.moteur(); }
    int canal() const { return media_.canal; }
    int flux() const { return media_.flux; }

    // Opens entry `ligne` and starts it from its beginning in place of
    // whatever was open; false (nothing open then) when it cannot be opened
    // or started.
    bool demarrer(int ligne);
    // Stops and releases the playing stream and every queued one.
    void fermer();

    // The entry whose track is open; nothing when none is.
    std::optional<PisteJouee> piste_jouee() const;
    // The entry queued to follow the playing one, not heard yet (the first
    // when several are).
    std::optional<PisteJouee> entree_en_file() const;
    // Something is queued: the join carries out the end-of-track decision.
    bool joint_en_file() const { return !file_.empty(); }
    // The playing stream's read position has reached its length (heard to
    // its end).
    bool fin_atteinte() const;

    // What the rule goes from changed: the decisions of the queued streams
    // are taken again while they can still be withdrawn (or the first is
    // taken now if the playing file was read to its end).
    void revoir();
    // A seek in the playing track comes: the streams queued after it are
    // withdrawn as far as the engine can take them back (mixed in or
    // not), so that the seek is heard, and what follows is decided again
    // once the track is read to its end from the new place.
    void avant_saut();
    // Collects the engine's events now (they otherwise come through the
    // event loop).
    void traiter_evenements();

signals:
    // The queued entry `ligne` (-1: removed from the list since) is heard:
    // it is the playing one now, started by the decision `fin`.
    void entree_entendue(int ligne, vt::PorteLecteur::Fin fin);

private:
    // A stream queued to follow the playing one: its handle, the decision
    // that queued it, its entry, and whether the engine has mixed it in.
    struct FluxEnFile {
        int flux = 0;
        PorteLecteur::Fin fin = PorteLecteur::Fin::PasDeFin;
        QPersistentModelIndex ligne;
        PisteJouee piste;
        bool mixe = false;
    };

    void brancher_moteur();
    void fermer_file();
    // The entry the decision for queued stream `k` goes from: the current
    // entry for the first, the queued entry before it for the others.
    int depart_decision(std::size_t k) const;
    // Whether the decision that queued stream `k` stands (regles.h).
    bool decision_tient(std::size_t k) const;
    // Withdraws the queued streams from the last down to stream `k`, as
    // far as the engine can take them back, and closes them.
    void retirer_depuis(std::size_t k);
    // Withdraws the queued streams from the first whose decision no longer
    // stands, as far as the engine can take them back, and queues one
    // after the last stream once that is read to its end.
    void remplir_file();
    // The first queued stream is heard: it becomes the playing one.
    void entendre_premier();
    PisteJouee piste_de(int ligne) const;

    ListeCourante& liste_;
    lecteur_media media_;
    std::function<int()> courant_;
    std::function<ChoixFin(int)> regle_;
    // The entry whose track is open; its row follows the list's edits.
    QPersistentModelIndex ligne_jouee_;
    PisteJouee piste_;
    bool piste_ouverte_ = false;
    std::uint64_t pistes_demarrees_ = 0;
    // The queued streams, the next to be heard first.
    std::deque<FluxEnFile> file_;
    // The playing file has been read to its end (the decision is taken).
    bool fin_lue_ = false;
    // The engine that calls back, and whether a collection of its events is
    // already on its way.
    MoteurAudio* moteur_branche_ = nullptr;
    std::atomic<bool> evenements_annonces_{false};
};

}  // namespace vt
