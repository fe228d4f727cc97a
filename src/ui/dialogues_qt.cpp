#include "ui/dialogues_qt.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

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
    QFileDialog d(nullptr);
    d.setFileMode(QFileDialog::ExistingFiles);
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setNameFilters(filtres_qt(filtre));
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    std::vector<std::string> out;
    if (d.exec() != QDialog::Accepted) return out;
    for (const QString& f : d.selectedFiles()) out.push_back(QFile::encodeName(f).toStdString());
    return out;
}

std::optional<std::string> DialoguesQt::enregistrer_fichier(const std::string& initial) {
    QFileDialog d(nullptr);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setFileMode(QFileDialog::AnyFile);
    d.setOption(QFileDialog::DontConfirmOverwrite, true);
    d.setDirectory(dossier_initial(initial));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(d.selectedFiles().first()).toStdString();
}

std::optional<std::string> DialoguesQt::choisir_repertoire(const QString& invite) {
    QString dir = QFileDialog::getExistingDirectory(nullptr, invite);
    if (dir.isEmpty()) return std::nullopt;
    return QFile::encodeName(dir).toStdString();
}

std::optional<std::string> DialoguesQt::choisir_fichier(const std::string& filtre, const std::string& initial) {
    QFileDialog d(nullptr);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters(filtres_qt(filtre));
    d.setOption(QFileDialog::HideNameFilterDetails, true);
    d.setDirectory(dossier_initial(initial));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(d.selectedFiles().first()).toStdString();
}

void DialoguesQt::message(const QString& legende, const QString& texte) {
    QMessageBox box(QMessageBox::NoIcon, legende, texte, QMessageBox::Ok, nullptr);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool DialoguesQt::question(const QString& legende, const QString& texte) {
    QMessageBox box(QMessageBox::NoIcon, legende, texte, QMessageBox::Yes | QMessageBox::No, nullptr);
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace vt
