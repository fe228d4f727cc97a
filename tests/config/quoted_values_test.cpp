// The quoted-value text: the one syntax of the configuration, skin and
// play-list files.
#include "config/gestion_vantrel.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

namespace {

gestion_vantrel avec(std::string texte) {
    gestion_vantrel g;
    g.texte = std::move(texte);
    return g;
}

// Values are what lies between quote pairs, whatever surrounds them.
TEST(QuotedValues, HandEditedLayoutsReadLikeTheCompactForm) {
    auto compact = avec(R"("a""bb""ccc")");
    auto lignes = avec("\"a\"\r\n\"bb\"\n\"ccc\"\n");
    auto mots = avec("skin: \"a\" then \"bb\" and finally\t\"ccc\" end");
    for (const auto* g : {&compact, &lignes, &mots}) {
        ASSERT_EQ(g->nombre_valeurs(), 3u);
        EXPECT_EQ(g->valeur(1), "a");
        EXPECT_EQ(g->valeur(2), "bb");
        EXPECT_EQ(g->valeur(3), "ccc");
    }
}

// A last unpaired quote opens no value and is not counted.
TEST(QuotedValues, OddQuoteCountIgnoresTheLastQuote) {
    auto g = avec(R"("a""b" "dangling)");
    EXPECT_EQ(g.nombre_valeurs(), 2u);
    EXPECT_EQ(g.valeur(2), "b");
    EXPECT_EQ(g.valeur(3), "");
    EXPECT_EQ(g.valeurs().size(), 2u);
}

// Numbers matching no complete value, and an empty text, give "".
TEST(QuotedValues, OutOfRangeAndEmptyTextGiveEmptyStrings) {
    auto g = avec(R"(x"first"y)");
    EXPECT_EQ(g.valeur(0), "");
    EXPECT_EQ(g.valeur(1), "first");
    EXPECT_EQ(g.valeur(2), "");
    EXPECT_EQ(g.valeur(4000000000u), "");
    gestion_vantrel vide;
    EXPECT_EQ(vide.nombre_valeurs(), 0u);
    EXPECT_EQ(vide.valeur(1), "");
    EXPECT_TRUE(vide.valeurs().empty());
}

// Values keep every byte: line breaks, CR, NUL, bytes above 127; empty
// values are two adjacent quotes.
TEST(QuotedValues, ValuesKeepRawBytes) {
    std::string texte = "\"\"\"line1\r\nline2\"\"a";
    texte += '\0';
    texte += "b\"\"\xe9t\xc3\xa9\xff\"";
    auto g = avec(texte);
    ASSERT_EQ(g.nombre_valeurs(), 4u);
    EXPECT_EQ(g.valeur(1), "");
    EXPECT_EQ(g.valeur(2), "line1\r\nline2");
    EXPECT_EQ(g.valeur(3), std::string("a\0b", 3));
    EXPECT_EQ(g.valeur(4), "\xe9t\xc3\xa9\xff");
}

// The one-pass reading gives exactly what valeur(1..N) gives.
TEST(QuotedValues, OnePassReadingMatchesValueByValue) {
    auto g = avec("junk\"p/a b.mp3\"\n\n\"\"\"C:\\x\\y.wav\" more \"last\"\"unpaired");
    auto toutes = g.valeurs();
    ASSERT_EQ(toutes.size(), g.nombre_valeurs());
    for (unsigned i = 0; i < toutes.size(); ++i) EXPECT_EQ(toutes[i], g.valeur(i + 1)) << i;
}

// charger reads raw bytes, keeps CRs and leaves texte alone on failure.
TEST(QuotedValues, LoadReadsRawBytesAndFailsWithoutTouchingText) {
    vt::test::DossierTemp d;
    std::string octets = std::string("\"a\r\n\"\x00\x80\"b\"", 9);
    auto f = d.ecrire("f.txt", octets);
    gestion_vantrel g;
    ASSERT_TRUE(g.charger(f));
    EXPECT_EQ(g.texte, octets);
    EXPECT_FALSE(g.charger(d / "missing"));
    EXPECT_FALSE(g.charger(d.chemin()));  // a directory cannot be read
    EXPECT_FALSE(g.charger(""));
    EXPECT_EQ(g.texte, octets);
    auto vide = d.ecrire("empty", "");
    EXPECT_TRUE(g.charger(vide));
    EXPECT_EQ(g.texte, "");
}

// ecrire writes the bytes unchanged, replacing the whole file.
TEST(QuotedValues, WriteReplacesTheWholeFile) {
    vt::test::DossierTemp d;
    auto f = d.ecrire("c", std::string(1000, 'x'));
    gestion_vantrel g;
    EXPECT_TRUE(g.ecrire(f, "\"short\""));
    EXPECT_EQ(vt::test::lire_fichier(f), "\"short\"");
    EXPECT_TRUE(g.ecrire(d / "new", ""));
    EXPECT_TRUE(vt::test::existe(d / "new"));
    EXPECT_EQ(vt::test::lire_fichier(d / "new"), "");
}

}  // namespace
