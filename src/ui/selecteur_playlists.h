#pragma once
// The play-list selector of the main window: the play lists of the
// play-list folder, read anew each time the user enters the selector, after
// a save and when the save window closes; the one chosen replaces the
// current play list; the info button rewrites it with the current entries,
// once the user said yes (or saves a list that has no name yet). What the
// store could not write is said here, in a message box.
#include <QObject>

#include <optional>
#include <string>

class QComboBox;

namespace vt {

class Actions;
class Configuration;
class ListeCourante;
class Navigation;

class SelecteurPlaylists : public QObject {
    Q_OBJECT
public:
    // `boite` shows the play lists; the selector is its child.
    SelecteurPlaylists(QComboBox& boite, ListeCourante& liste, Configuration& configuration, Actions& actions,
                       Navigation& navigation);

    // The text the box shows when no configuration could be read.
    static const QString kConfigManquante;

    // The user enters the selector: the folder is read again; the play list
    // chosen before stays chosen while its file is still there.
    void entrer();
    // Fills the box from a folder already read (nothing: the entries stay
    // as they are), nothing chosen.
    void remplir(const std::optional<std::string>& dossier);
    // The entry chosen replaces the current play list; true when it did
    // (and the list is not empty).
    bool choisir();
    // The info button: rewrites the chosen play list with the current
    // entries, once the user said yes; a list with no name is saved first.
    void reecrire();

signals:
    // A chosen play list replaced the current one.
    void playlist_chargee();

protected:
    bool eventFilter(QObject* objet, QEvent* e) override;

private:
    // The file of entry `i` in the play-list folder.
    std::string fichier(int i) const;

    QComboBox& boite_;
    ListeCourante& liste_;
    Configuration& configuration_;
    Actions& actions_;
};

}  // namespace vt
