#pragma once
// What the front ends see of the player: the transport, the levels, the
// modes, seeking, a file from outside, the current and the playing entry,
// and the signals that tell what the player did. The media service, the
// notification-area menu, the screen readers and the hand-over of later
// starts hold only this; the engine and the clock stay inside the player
// (lecteur.h).
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vt {

// The entry whose track is open (playing, paused, or read to its end),
// which may differ from the current one: its row follows the list's edits
// (-1 once it was removed or the list replaced), its path and name stay.
struct PisteJouee {
    int ligne = -1;
    std::string chemin;
    QString nom;
    // One number per started track, never reused: a track started again
    // gets a new one.
    std::uint64_t numero = 0;
};

class PorteLecteur : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~PorteLecteur() override = default;

    // ---- Entries. The current entry is a row the player keeps (-1: none):
    // every rule goes from it, and the list views show it as their selected
    // row. The views' users choose it through selectionner (a row out of
    // range: none) and play a row with jouer_ligne.
    virtual int courant() const = 0;
    virtual void selectionner(int ligne) = 0;
    virtual void jouer_ligne(int ligne) = 0;
    virtual int nombre_entrees() const = 0;
    // The entry that plays; nothing when no track is open.
    virtual std::optional<PisteJouee> piste_jouee() const = 0;

    // ---- Queries.
    virtual bool en_lecture() const = 0;
    virtual bool en_pause() const = 0;
    virtual std::int64_t temps_ms() const = 0;     // elapsed, 0 with no stream
    virtual std::int64_t longueur_ms() const = 0;  // total, 0 with no stream

    // ---- Transport (lecteur.h tells the rules).
    virtual bool jouer() = 0;
    virtual bool pause() = 0;
    virtual void arreter() = 0;
    virtual void suivant() = 0;
    virtual void precedent() = 0;
    virtual void relancer() = 0;
    virtual bool aller_a_ms(std::int64_t ms) = 0;

    // ---- Files from outside the windows: the command line's at the first
    // start, those a later start hands over. Added together after the list
    // (one edit of the list); with `jouer_premier` the first of them is made
    // current and started from its beginning (a paused track does not resume
    // instead), nothing more when the list cannot grow. The play runs once
    // the audio engine is up (through `quand_pret` when given, else the
    // player's own loading), unless a transport command came in between.
    virtual void fichiers_exterieurs(std::vector<std::string> chemins, bool jouer_premier,
                                     const std::function<void(std::function<void()>)>& quand_pret = {}) = 0;

    // ---- Levels, 0..255 (balance: 0 left, 128 centre, 255 right).
    virtual int volume() const = 0;
    virtual int balance() const = 0;
    virtual void definir_volume(int v) = 0;
    virtual void definir_balance(int v) = 0;
    virtual void couper(bool muet) = 0;

    // ---- Modes.
    virtual bool repetition() const = 0;
    virtual bool aleatoire() const = 0;
    virtual bool boucle() const = 0;
    virtual void definir_repetition(bool oui) = 0;
    virtual void definir_aleatoire(bool oui) = 0;
    virtual void definir_boucle(bool oui) = 0;

    enum class Fin {
        PasDeFin,        // nothing plays, or the track is not read to its end
        Repetition,      // the same entry started again
        Hasard,          // a random other entry started
        EntreeSuivante,  // the next entry started (wrapping to the first)
        Arret,           // no mode and no loop: nothing more starts
        SansCourant,     // a mode is on but there is no current entry
    };
    Q_ENUM(Fin)

signals:
    // A track started or resumed on entry `ligne`.
    void lecture(int ligne);
    // Entry `ligne` could not be opened or started: nothing plays.
    void lecture_impossible(int ligne);
    void mise_en_pause();
    void arret();
    // A level or the modes changed (whichever front end set them).
    void volume_change(int v);
    void balance_change(int v);
    void modes_changes();
    // The current entry was set to `ligne` (-1: none), by whichever front
    // end: the views show it.
    void selection_changee(int ligne);
    // The list's entries or the current entry changed, whoever changed them.
    void entrees_changees();
    // The playing position jumped (a seek).
    void position_changee();
    // Each tick, in this order: the progress, read before anything is
    // decided (whether the channel plays; its elapsed and total ms, 0 when it
    // does not); then, for a track read to its end, what was decided and
    // done (never Fin::PasDeFin); then the end of the tick, once all is done.
    void progression(bool en_lecture, std::int64_t ecoule_ms, std::int64_t total_ms);
    void fin_de_piste(vt::PorteLecteur::Fin fin);
    void tic_fini();
};

}  // namespace vt
