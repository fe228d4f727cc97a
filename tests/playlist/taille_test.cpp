// The size text of the file information window and the file size itself.
#include "playlist/taille.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdint>

namespace {

using vt::test::DossierTemp;

std::string texte(std::int64_t octets, char sep = '.') {
    return vt::texte_taille(octets, QChar::fromLatin1(sep)).toStdString();
}

// The reference table, with '.' as the separator.
TEST(TailleTexte, ReferenceTable) {
    EXPECT_EQ(texte(0), "0 Mo");
    EXPECT_EQ(texte(1), "9.536 Mo");
    EXPECT_EQ(texte(500), "0.000 Mo");
    EXPECT_EQ(texte(1048576), "1 Mo");
    EXPECT_EQ(texte(3670016), "3.5 Mo");
    EXPECT_EQ(texte(5000000), "4.768 Mo");
    EXPECT_EQ(texte(123456789), "117.7 Mo");
    EXPECT_EQ(texte(2147483647), "2047. Mo");
}

// 104 bytes is the last size below 0.0001: scientific, leading digits; 105
// bytes is fixed with "0." and three zeros.
TEST(TailleTexte, ScientificBelowOneTenThousandth) {
    EXPECT_EQ(texte(104), "9.918 Mo");
    EXPECT_EQ(texte(105), "0.000 Mo");
    EXPECT_EQ(texte(2), "1.907 Mo");
    EXPECT_EQ(texte(999999), "0.953 Mo");
}

// The locale's separator replaces the point, the cut counting it as one
// character.
TEST(TailleTexte, CommaSeparator) {
    EXPECT_EQ(texte(5000000, ','), "4,768 Mo");
    EXPECT_EQ(texte(1, ','), "9,536 Mo");
    EXPECT_EQ(texte(2147483647, ','), "2047, Mo");
    EXPECT_EQ(texte(1048576, ','), "1 Mo");
}

// Files of 2 GiB and more show their real size in the same format.
TEST(TailleTexte, BigFiles) {
    const std::int64_t gio = 1024LL * 1024 * 1024;
    EXPECT_EQ(texte(2 * gio), "2048 Mo");
    EXPECT_EQ(texte(5 * gio), "5120 Mo");
    EXPECT_EQ(texte(3 * gio + 1), "3072. Mo");
    EXPECT_EQ(texte(100000 * gio), "10240 Mo");
    EXPECT_EQ(texte(INT64_MAX), "87960 Mo");
}

// A byte count of -1 is formatted like any other, sign first.
TEST(TailleTexte, NegativeCount) {
    EXPECT_EQ(texte(-1), "-9.53 Mo");
    EXPECT_EQ(texte(-1048576), "-1 Mo");
}

// The general format before the cut: 15 significant digits, trailing zeros
// and a bare point dropped, the switch to scientific at 0.0001 and 1e15.
TEST(TailleTexte, GeneralFormat) {
    EXPECT_EQ(vt::format_general(9.5367431640625E-7), "9.5367431640625E-7");
    EXPECT_EQ(vt::format_general(0.000476837158203125), "0.000476837158203125");
    EXPECT_EQ(vt::format_general(2047.99999904633), "2047.99999904633");
    EXPECT_EQ(vt::format_general(123456789.0 / 1048576.0), "117.737568855286");
    EXPECT_EQ(vt::format_general(3.5), "3.5");
    EXPECT_EQ(vt::format_general(100), "100");
    EXPECT_EQ(vt::format_general(0.0001), "0.0001");
    EXPECT_EQ(vt::format_general(0.00009), "9E-5");
    EXPECT_EQ(vt::format_general(999999999999999.0), "999999999999999");
    EXPECT_EQ(vt::format_general(1e15), "1E15");
    EXPECT_EQ(vt::format_general(1.25e20), "1.25E20");
    EXPECT_EQ(vt::format_general(-0.5), "-0.5");
    EXPECT_EQ(vt::format_general(0.1 + 0.2), "0.3");
}

// The size is the byte count of the file, whatever its content.
TEST(TailleFichier, ByteCountOfTheFile) {
    DossierTemp d;
    EXPECT_EQ(vt::taille_fichier(d.ecrire("vide.mp3", "")), 0);
    EXPECT_EQ(vt::taille_fichier(d.ecrire("cinq.mp3", "12345")), 5);
    EXPECT_EQ(vt::taille_fichier(d.ecrire("Été à l'île.mp3", std::string(1048576, 'x'))), 1048576);
}

// A sparse file beyond 4 GiB gives its full 64-bit size.
TEST(TailleFichier, BeyondFourGibibytes) {
    DossierTemp d;
    std::string chemin = d.ecrire("gros.wav", "");
    const off_t taille = 5LL * 1024 * 1024 * 1024 + 3;
    ASSERT_EQ(::truncate(chemin.c_str(), taille), 0);
    EXPECT_EQ(vt::taille_fichier(chemin), taille);
    EXPECT_EQ(vt::texte_taille(vt::taille_fichier(chemin), QLatin1Char('.')).toStdString(), "5120. Mo");
}

// Missing files, directories, pipes and empty paths give -1 without hanging.
TEST(TailleFichier, UnreadableGivesMinusOne) {
    DossierTemp d;
    QDir().mkpath(QFile::decodeName(QByteArray::fromStdString(d / "dossier.mp3")));
    ASSERT_EQ(::mkfifo((d / "tube.mp3").c_str(), 0600), 0);
    EXPECT_EQ(vt::taille_fichier(d / "absent.mp3"), -1);
    EXPECT_EQ(vt::taille_fichier(d / "dossier.mp3"), -1);
    EXPECT_EQ(vt::taille_fichier(d / "tube.mp3"), -1);
    EXPECT_EQ(vt::taille_fichier(""), -1);
    EXPECT_EQ(vt::taille_fichier(std::string("a\0b", 3)), -1);
}

}  // namespace
