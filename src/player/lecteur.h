#pragma once
// The player: every front end (the main window's buttons and sliders, the
// notification-area menu, the media keys, the screen readers, the command
// line and later starts, the options window) works playback through this
// one object, most of them through its door (porte_lecteur.h). It keeps the
// current entry (an index of its own on the play list's model, which the
// list views show and the user's choices of a row set through the door),
// the volume and balance values (0..255), the repeat, random and loop modes
// and the 400 ms clock, and decides what follows the end of a track (the
// rule is regle_fin, regles.h). Its transport (transport.h) carries the
// decisions out on the audio engine, holds the engine's handles and the
// streams queued to join without a gap, and tells when a queued entry is
// heard: only then is it told as a started track (lecture, then
// fin_de_piste). Pictures, cursors and texts stay in the windows: the
// door's signals tell them what to repaint.
//
// Until a queued entry is heard, the ended entry stays the playing one; a
// change of the current entry, of a mode, of the loop flag or of the list
// takes the decision again. The 400 ms tick decides the end only when
// nothing is queued (the end came before the event could be taken, or what
// follows could not be opened).
#include "audio/lecteur_media.h"
#include "player/chargement_moteur.h"
#include "player/porte_lecteur.h"
#include "player/transport.h"

#include <QPersistentModelIndex>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vt {

class ListeCourante;

class Lecteur : public PorteLecteur {
    Q_OBJECT
public:
    // The start values of the levels: full volume, the balance in the
    // middle until the window puts its cursor's value.
    static constexpr int kVolumeDepart = 255;
    static constexpr int kBalanceDepart = 128;
    static constexpr int kPeriodeHorlogeMs = 400;

    // `sortie`: the device output (nullptr: the default one).
    explicit Lecteur(ListeCourante& liste, std::unique_ptr<SortieAudio> sortie = nullptr,
                     QObject* parent = nullptr);
    // With the null engine until its loading puts the one `source` makes.
    Lecteur(ListeCourante& liste, SourceMoteur source, QObject* parent = nullptr);
    ~Lecteur() override;

    // The engine's handles, for the player's own tests.
    lecteur_media& media() { return transport_.media(); }
    Transport& transport() { return transport_; }
    ListeCourante& liste() { return liste_; }
    // The engine's loading (it owns it): what the windows call when
    // something is about to be played, and what waits for the engine.
    ChargementMoteur& chargement() { return chargement_; }
    // Starts loading the engine in the background (the pointer came over
    // the window: something may soon be played).
    void preparer_moteur() { chargement_.charger(); }
    // ---- Current entry: a row, -1 for none. It follows the list's edits
    // (a moved entry stays current; a removed one leaves none).
    int courant() const override;
    // Makes a row current (out of range: none) and tells it
    // (selection_changee).
    void selectionner(int ligne) override;
    // Makes a row current and starts it from its beginning (a double click:
    // a paused track is not resumed). Nothing for a row out of range.
    void jouer_ligne(int ligne) override;
    int nombre_entrees() const override;
    std::optional<PisteJouee> piste_jouee() const override;

    // ---- Queries on the engine.
    bool en_lecture() const override;
    bool en_pause() const override;
    std::int64_t temps_ms() const override;
    std::int64_t longueur_ms() const override;

    // ---- Transport.
    // Starts the current entry from its beginning; resumes instead when the
    // channel is paused (even if the current entry changed meanwhile). The new
    // channel takes the volume and balance. False (and nothing changes)
    // with no current entry. An entry that cannot be opened or started is
    // reported (lecture_impossible) and nothing plays; then, as soon as the
    // event loop runs, what follows the end of a track follows it (the
    // repeat, random and loop rules), unless a transport command came in
    // between. Unplayable entries in a row stop the chain once there have
    // been as many as the list has entries, and at the first in repeat
    // mode (the same entry would fail again).
    bool jouer() override;
    // Pauses what plays; false (nothing changes) when nothing plays. A
    // second pause keeps it paused.
    bool pause() override;
    // Stops and releases the stream; always reports the stop, even when
    // nothing played.
    void arreter() override;
    // Next entry, wrapping from the last to the first; with no current entry the
    // first. In random mode (with a current entry) a random other entry. Nothing
    // on an empty list.
    void suivant() override;
    // Previous entry; nothing on the first entry or with no current entry. In
    // random mode as next.
    void precedent() override;
    // Closes what plays and starts the current entry (a double click: a
    // paused track is not resumed).
    void relancer() override;
    // Seeks the playing stream to `ms`, held within 0..total. False (no
    // seek) when nothing plays.
    bool aller_a_ms(std::int64_t ms) override;

    // A play asked for now and run later (once the audio engine is up):
    // `lecture` runs only if no transport command (play, pause, stop, next,
    // back, restart, or a seek that acted) came in between, so that the
    // user's latest command is the one that holds.
    std::function<void()> lecture_differee(std::function<void()> lecture);

    // ---- Files from outside the windows (porte_lecteur.h); the play is a
    // lecture_differee.
    void fichiers_exterieurs(std::vector<std::string> chemins, bool jouer_premier,
                             const std::function<void(std::function<void()>)>& quand_pret = {}) override;

    // ---- Levels, 0..255 (balance: 0 left, 128 centre, 255 right).
    int volume() const override { return volume_; }
    int balance() const override { return balance_; }
    // Takes a value (held within 0..255) and sends it to the channel (again
    // when it is the same); a changed value is reported.
    void definir_volume(int v) override;
    void definir_balance(int v) override;
    // Takes both values without sending them: the next started track gets
    // them (the window put its cursors back at their rest places).
    void retenir_niveaux(int volume, int balance);
    // Sends the values held to the channel again.
    void envoyer_niveaux();
    // Silences the channel (for a drag of the position slider) or not.
    void couper(bool muet) override;

    // ---- Modes. Repeat and random exclude each other: turning one on
    // turns the other off; turning one off changes nothing else.
    bool repetition() const override { return repetition_; }
    bool aleatoire() const override { return aleatoire_; }
    bool boucle() const override { return boucle_; }
    void definir_repetition(bool oui) override;
    void definir_aleatoire(bool oui) override;
    void definir_boucle(bool oui) override;

    // ---- The clock: a 400 ms timer, running from the player's creation
    // until arreter_horloge (the end of the process); each tick runs tic().
    void arreter_horloge() { horloge_.stop(); }
    bool horloge_en_marche() const { return horloge_.isActive(); }
    int periode_horloge_ms() const { return horloge_.interval(); }
    struct ResultatTic {
        bool en_lecture = false;
        // The track's elapsed and total ms, read before the decision.
        std::int64_t ecoule_ms = 0;
        std::int64_t total_ms = 0;
        Fin fin = Fin::PasDeFin;
    };
    // While the channel plays: the progress, and once the stream's read
    // position equals its length, the end-of-track decision, carried out.
    // Reported by the three signals of the tick (porte_lecteur.h).
    ResultatTic tic();

    // The entry queued to follow the playing one, not heard yet (the first
    // when several are).
    std::optional<PisteJouee> entree_en_file() const { return transport_.entree_en_file(); }
    // Collects the engine's events now (they otherwise come through the
    // event loop).
    void traiter_evenements() { transport_.traiter_evenements(); }

private:
    void demarrer_horloge();
    void suivre_entrees();
    ModesFin modes() const { return ModesFin{repetition_, aleatoire_, boucle_}; }
    // Makes `ligne` current and plays it from its beginning (next, back).
    void passer_a(int ligne);
    // The end of a track: decided (regle_fin), carried out, reported.
    void finir_piste(ResultatTic& r);
    // A queued entry is heard: it is the current and playing one.
    void entree_entendue(int ligne, Fin fin);
    // After an entry that could not be played: the end-of-track decision,
    // deferred to the event loop so that a long run of such entries neither
    // deepens the stack nor holds the window.
    void enchainer_apres_echec();

    ListeCourante& liste_;
    // The current entry; its row follows the list's edits.
    QPersistentModelIndex courant_;
    Transport transport_;
    ChargementMoteur chargement_{transport_.media()};  // after transport_, whose engine it puts in place
    std::uint64_t commandes_ = 0;                      // transport commands so far
    int volume_ = kVolumeDepart;
    int balance_ = kBalanceDepart;
    bool repetition_ = false;
    bool aleatoire_ = false;
    bool boucle_ = false;
    // Entries that could not be played in a row, and whether the play that
    // runs is the chain's (not the user's).
    int echecs_ = 0;
    bool enchainement_ = false;
    QTimer horloge_;
};

}  // namespace vt
