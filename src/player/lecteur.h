#pragma once
// The player: every front end (the main window's buttons and sliders, the
// notification-area menu, the media keys, the screen readers, the command
// line and later starts, the options window) works playback through this
// one object. It owns the engine's handles (lecteur_media) and the 400 ms
// clock, knows the current entry through a selection on the play list's
// model (shared with the main window's list view), holds the volume and
// balance values (0..255) and the repeat, random and loop modes, and decides
// what follows the end of a track. Pictures, cursors and texts stay in the
// windows: the signals below tell them what to repaint.
#include "audio/lecteur_media.h"
#include "player/chargement_moteur.h"

#include <QItemSelectionModel>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vt {

class ListeCourante;

class Lecteur : public QObject {
    Q_OBJECT
public:
    // The start values of the levels: full volume, the balance in the
    // middle until the window puts its cursor's value.
    static constexpr int kVolumeDepart = 255;
    static constexpr int kBalanceDepart = 128;

    // `sortie`: the device output (nullptr: the default one).
    explicit Lecteur(ListeCourante& liste, std::unique_ptr<SortieAudio> sortie = nullptr,
                     QObject* parent = nullptr);
    // With the null engine until its loading puts the one `source` makes.
    Lecteur(ListeCourante& liste, SourceMoteur source, QObject* parent = nullptr);
    ~Lecteur() override;

    lecteur_media& media() { return media_; }
    const lecteur_media& media() const { return media_; }
    ListeCourante& liste() { return liste_; }
    // The engine's loading (it owns it): what the windows call when
    // something is about to be played, and what waits for the engine.
    ChargementMoteur& chargement() { return chargement_; }
    // The selection on the play list that makes the current entry; list
    // views show it.
    QItemSelectionModel& selection() { return selection_; }

    // ---- Current entry: the selected row, -1 for none.
    int courant() const;
    // Selects a row (out of range: none). While the player changes the
    // selection itself, selection_interne() is true, so that a view can
    // tell the user's selections from the player's.
    void selectionner(int ligne);
    bool selection_interne() const { return selection_interne_; }

    // ---- Queries on the engine.
    bool en_lecture() const;
    bool en_pause() const;
    std::int64_t temps_ms() const;     // elapsed, 0 with no stream
    std::int64_t longueur_ms() const;  // total, 0 with no stream

    // ---- Transport.
    // Starts the selected entry from its beginning; resumes instead when the
    // channel is paused (even if the selection moved meanwhile). The new
    // channel takes the volume and balance. False (and nothing changes)
    // with no selected entry.
    bool jouer();
    // Pauses what plays; false (nothing changes) when nothing plays. A
    // second pause keeps it paused.
    bool pause();
    // Stops and releases the stream; always reports the stop, even when
    // nothing played.
    void arreter();
    // Next entry, wrapping from the last to the first; with no selection the
    // first. In random mode (with a selection) a random other entry. Nothing
    // on an empty list.
    void suivant();
    // Previous entry; nothing on the first entry or with no selection. In
    // random mode as next.
    void precedent();
    // Closes what plays and starts the selected entry (a double click: a
    // paused track is not resumed).
    void relancer();
    // Seeks the playing stream to `ms`, held within 0..total. False (no
    // seek) when nothing plays.
    bool aller_a_ms(std::int64_t ms);

    // A play asked for now and run later (once the audio engine is up):
    // `lecture` runs only if no transport command (play, pause, stop, next,
    // back, restart, or a seek that acted) came in between, so that the
    // user's latest command is the one that holds.
    std::function<void()> lecture_differee(std::function<void()> lecture);

    // ---- A file from outside the windows: the command line, a later start
    // handing its files over, the media service's open.
    enum class Venue {
        Depart,  // the command-line file at start: added, the first entry
                 // selected and played as by the play button
        Remise,  // a later start's file: added, selected and started from its
                 // beginning (a paused track does not resume instead); nothing
                 // more when the list cannot grow
        Ajout,   // one more file of a start: added after the others, not played
    };
    // The play runs once the audio engine is up (through `quand_pret` when
    // given, else the player's own loading); it is a lecture_differee, which
    // the user's own transport commands in between cancel.
    void fichier_exterieur(std::string chemin, Venue venue,
                           const std::function<void(std::function<void()>)>& quand_pret = {});
    // Several at once (a start's files): added in one edit of the list, in
    // their order; the first of them then goes as `venue` says, the others
    // as Ajout.
    void fichiers_exterieurs(std::vector<std::string> chemins, Venue venue,
                             const std::function<void(std::function<void()>)>& quand_pret = {});

    // ---- Levels, 0..255 (balance: 0 left, 128 centre, 255 right).
    int volume() const { return volume_; }
    int balance() const { return balance_; }
    // Takes a value (held within 0..255) and sends it to the channel (again
    // when it is the same); a changed value is reported.
    void definir_volume(int v);
    void definir_balance(int v);
    // Takes both values without sending them: the next started track gets
    // them (the window put its cursors back at their rest places).
    void retenir_niveaux(int volume, int balance);
    // Sends the values held to the channel again.
    void envoyer_niveaux();
    // Silences the channel (for a drag of the position slider) or not.
    void couper(bool muet);

    // ---- Modes. Repeat and random exclude each other: turning one on
    // turns the other off; turning one off changes nothing else.
    bool repetition() const { return repetition_; }
    bool aleatoire() const { return aleatoire_; }
    bool boucle() const { return boucle_; }
    void definir_repetition(bool oui);
    void definir_aleatoire(bool oui);
    void definir_boucle(bool oui) { boucle_ = oui; }

    // ---- The clock: a 400 ms timer, running from the player's creation (the
    // main window stops it when it ends); each tick runs tic().
    QTimer& horloge() { return horloge_; }
    enum class Fin {
        Aucune,      // nothing plays, or the track is not read to its end
        Repetition,  // the same entry started again
        Hasard,      // a random other entry started
        Suivante,    // the next entry started (wrapping to the first)
        Arret,       // no mode and no loop: nothing more starts
        Rien,        // a mode is on but no entry is selected
    };
    Q_ENUM(Fin)
    struct Tic {
        bool en_lecture = false;
        std::int64_t t = 0;  // elapsed and total ms, read before the decision
        std::int64_t T = 0;
        Fin fin = Fin::Aucune;
    };
    // While the channel plays: the progress, and once the stream's read
    // position equals its length, the end-of-track decision, carried out.
    // Reported by the three signals of the tick, below.
    Tic tic();

signals:
    // A track started or resumed on entry `ligne`.
    void lecture(int ligne);
    void mise_en_pause();
    void arret();
    // A level or the modes changed (whichever front end set them).
    void volume_change(int v);
    void balance_change(int v);
    void modes_changes();
    // The player selected `ligne` itself (-1: none).
    void selection_changee(int ligne);
    // The playing position jumped (a seek).
    void position_changee();
    // Each tick, in this order: the progress, read before anything is
    // decided (whether the channel plays; its elapsed and total ms, 0 when it
    // does not); then, for a track read to its end, what was decided and
    // done (never Fin::Aucune); then the end of the tick, once all is done.
    void progression(bool en_lecture, std::int64_t t, std::int64_t T);
    void fin_de_piste(vt::Lecteur::Fin fin);
    void tic_fini();

private:
    void fermer_flux();
    void jouer_ligne(int ligne);
    void decider_fin(Tic& r);  // the end of a track: decided, carried out, reported

    ListeCourante& liste_;
    QItemSelectionModel selection_;
    lecteur_media media_;
    ChargementMoteur chargement_{media_};  // after media_, which it fills
    bool selection_interne_ = false;
    std::uint64_t commandes_ = 0;  // transport commands so far
    int volume_ = kVolumeDepart;
    int balance_ = kBalanceDepart;
    bool repetition_ = false;
    bool aleatoire_ = false;
    bool boucle_ = false;
    QTimer horloge_;
};

}  // namespace vt
