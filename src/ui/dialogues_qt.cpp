#include "ui/dialogues_qt.h"

#include "ui/ecrans.h"
#include "ui/fenetre_fixe.h"
#include "ui/place_ecran.h"

#include <QAbstractButton>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>

namespace vt {

namespace {

QString motif_insensible(const QString& motif) {
    QString out;
    for (QChar c : motif) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QStringLiteral("[") + c.toLower() + c.toUpper() + QStringLiteral("]");
        else
            out += c;
    }
    return out;
}

// The dialogs' sizes, dates and types in French, whatever the user's own
// locale, which keeps deciding the information window's decimal separator:
// the toolkit's file model formats sizes and dates in the system locale,
// and names a folder in English.
class ColonnesFrancaises : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        const auto* fs = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !fs || index.column() == 0)
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QFileInfo info = fs->fileInfo(source);
        const QLocale fr(QLocale::French, QLocale::France);
        switch (index.column()) {
            case 1:
                return info.isDir() ? QString() : fr.formattedDataSize(info.size());
            case 2:
                return info.isDir() ? QStringLiteral("Dossier") : QIdentityProxyModel::data(index, role);
            case 3:
                return fr.toString(fs->lastModified(source), QLocale::ShortFormat);
            default:
                return QIdentityProxyModel::data(index, role);
        }
    }
};

// The default locale, French while a dialog is open (the types the toolkit
// reads from the MIME database follow it), then given back.
class LocaleDialogue {
public:
    LocaleDialogue() : avant_(QLocale()) { QLocale::setDefault(QLocale(QLocale::French, QLocale::France)); }
    ~LocaleDialogue() { QLocale::setDefault(avant_); }
    LocaleDialogue(const LocaleDialogue&) = delete;
    LocaleDialogue& operator=(const LocaleDialogue&) = delete;

private:
    QLocale avant_;
};

// A dialog opens centred on the main window's screen, no larger than it,
// and is kept inside it once shown, when the window manager's frame is
// known. Placed by the program, it is not placed again by the toolkit.
void placer_dialogue(QWidget& d) {
    QScreen* ecran = ecran_du_lecteur();
    if (!ecran) return;
    const QRect zone = ecran->availableGeometry();
    d.resize(cadre_dans_zone(QRect(zone.topLeft(), d.size()), zone).size());
    d.move(zone.center() - QRect(QPoint(0, 0), d.size()).center());
    QTimer::singleShot(0, &d, [&d] { ouvrir_sur_ecran_du_lecteur(d, false); });
}

// A message box is a dialog of one size: a title bar with a close button
// only (no minimise or maximise a window manager would add to a window
// without a parent), no icon in it nor beside the text. It takes its size
// as it shows: it is centred then.
void preparer_message(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    // Nor a stock picture on its buttons (the style puts one on OK, Yes, No).
    for (QAbstractButton* b : box.buttons()) b->setIcon(QIcon());
    box.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                       Qt::WindowCloseButtonHint);
    fermeture_seule(box, true);
    QTimer::singleShot(0, &box, [&box] { ouvrir_sur_ecran_du_lecteur(box, true); });
}

// French columns wide enough for their headings and contents.
void franciser(QFileDialog& d) {
    d.setOption(QFileDialog::DontUseNativeDialog, true);
    d.setProxyModel(new ColonnesFrancaises(&d));
    auto* vue = d.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!vue) return;
    QHeaderView* entete = vue->header();
    const QFontMetrics fm(vue->font());
    const QLocale fr(QLocale::French, QLocale::France);
    const QString exemples[] = {
        QString(), fr.formattedDataSize(999'999'999), QStringLiteral("Document texte brut"),
        fr.toString(QDateTime(QDate(2026, 12, 28), QTime(23, 58)), QLocale::ShortFormat)};
    int total = 0;
    for (int k = 1; k < 4 && k < entete->count(); ++k) {
        const QString titre = vue->model()->headerData(k, Qt::Horizontal).toString();
        const int largeur = std::max(fm.horizontalAdvance(titre), fm.horizontalAdvance(exemples[k])) + 24;
        if (entete->sectionSize(k) < largeur) entete->resizeSection(k, largeur);
        total += entete->sectionSize(k);
    }
    // The dialog wide enough to show the names beside the three columns.
    const int nom = std::max(entete->sectionSize(0), fm.horizontalAdvance(QLatin1Char('x')) * 28);
    d.resize(std::max(d.width(), total + nom + fm.horizontalAdvance(QLatin1Char('x')) * 24),
             std::max(d.height(), 420));
    placer_dialogue(d);
}

QString dossier_initial(const std::string& initial) {
    if (initial.empty()) return {};
    QFileInfo info(QFile::decodeName(QByteArray::fromStdString(initial)));
    return info.isDir() ? info.absoluteFilePath() : info.absolutePath();
}

}  // namespace

QStringList filtres_qt(const std::string& filtre) {
    QStringList morceaux = QString::fromUtf8(filtre).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < morceaux.size(); i += 2) {
        QStringList motifs = morceaux[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& m : motifs) m = motif_insensible(m.trimmed());
        out << morceaux[i] + QStringLiteral(" (") + motifs.join(QLatin1Char(' ')) + QStringLiteral(")");
    }
    return out;
}

std::vector<std::string> DialoguesQt::ouvrir_fichiers(const std::string& filtre) {
    // Each dialog starts in a folder of its own, never where another one
    // left off (the toolkit would otherwise share its last folder).
    if (dossier_ajout_.isEmpty()) {
        const QString musique = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        dossier_ajout_ = !musique.isEmpty() && QFileInfo(musique).isDir() ? musique : QDir::homePath();
    }
    LocaleDialogue fr;
    QFileDialog d(nullptr);
    d.setFileMode(QFileDialog::ExistingFiles);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setNameFilters(filtres_qt(filtre));
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    d.setDirectory(dossier_ajout_);
    franciser(d);
    std::vector<std::string> out;
    if (d.exec() != QDialog::Accepted) return out;
    for (const QString& f : d.selectedFiles()) out.push_back(QFile::encodeName(f).toStdString());
    if (!d.selectedFiles().isEmpty()) dossier_ajout_ = QFileInfo(d.selectedFiles().first()).absolutePath();
    return out;
}

std::optional<std::string> DialoguesQt::enregistrer_fichier(const std::string& initial) {
    LocaleDialogue fr;
    QFileDialog d(nullptr);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    d.setDirectory(dossier_initial(initial));
    franciser(d);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(d.selectedFiles().first()).toStdString();
}

std::optional<std::string> DialoguesQt::choisir_repertoire(const QString& invite,
                                                           const std::string& initial) {
    LocaleDialogue fr;
    QFileDialog d(nullptr, invite);
    d.setFileMode(QFileDialog::Directory);
    d.setOption(QFileDialog::ShowDirsOnly, true);
    d.setDirectory(dossier_initial(initial));
    franciser(d);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    const QString dir = d.selectedFiles().first();
    if (dir.isEmpty()) return std::nullopt;
    return QFile::encodeName(dir).toStdString();
}

std::optional<std::string> DialoguesQt::choisir_fichier(const std::string& filtre,
                                                        const std::string& initial) {
    LocaleDialogue fr;
    QFileDialog d(nullptr);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters(filtres_qt(filtre));
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    d.setDirectory(dossier_initial(initial));
    franciser(d);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(d.selectedFiles().first()).toStdString();
}

void DialoguesQt::message(const QString& legende, const QString& texte) {
    QMessageBox box(QMessageBox::NoIcon, legende, texte, QMessageBox::Ok, nullptr);
    preparer_message(box);
    box.exec();
}

bool DialoguesQt::question(const QString& legende, const QString& texte) {
    QMessageBox box(QMessageBox::NoIcon, legende, texte, QMessageBox::Yes | QMessageBox::No, nullptr);
    preparer_message(box);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace vt
