// Dropped files: their names, taken from the drop's text/uri-list as bytes,
// and which of them the list takes.
#include "ui/entrees_fichiers.h"

#include "playlist/liste_courante.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vt::chemins_uri_list;

std::vector<std::string> chemins(const vt::ListeCourante& l) {
    std::vector<std::string> v;
    for (int i = 0; i < l.nombre(); ++i) v.push_back(l.chemin(i));
    return v;
}

// A file manager's URL for `chemin`: every byte but the unreserved ones and
// '/' percent-encoded, as RFC 3986 asks.
QByteArray url_de(const std::string& chemin) {
    return "file://" + QByteArray::fromStdString(chemin).toPercentEncoding("/");
}

struct CasNom {
    const char* quoi;
    std::string chemin;
};

// Every byte sequence a file system allows survives the trip: the URL's
// percent-encoded path comes back byte for byte.
TEST(DepotNoms, EveryNameComesBackByteForByte) {
    const std::vector<CasNom> cas = {
        {"Latin-1 byte", "/m/caf\xE9.wav"},
        {"invalid UTF-8", "/m/\xFF.mp3"},
        {"UTF-8 accents", "/m/caf\xC3\xA9 \xC3\xA0 la m\xC3\xA8re.mp3"},
        {"spaces", "/m/un deux  trois .wav"},
        {"percent signs", "/m/100% pur %41.wma"},
        {"control and high bytes", std::string("/m/a\x01\x7F\x80\xFE") + ".mp3"},
        {"reserved characters", "/m/a#b?c&d;e=f+g,h@i[j]k'l(m)n!o*p$q.mp3"},
        {"backslash", "/m/a\\b.mp3"},
        {"ends in an encoded byte", "/m/caf\xE9"},
        {"ends in a space", "/m/chanson "},
        {"ends in a percent sign", "/m/100%"},
    };
    for (const auto& c : cas) {
        const auto chemins = chemins_uri_list(url_de(c.chemin) + "\r\n");
        ASSERT_EQ(chemins.size(), 1u) << c.quoi;
        EXPECT_EQ(chemins[0], c.chemin) << c.quoi;
    }
}

// Several files in the list's order; CR LF or bare LF, a last line without
// a line end, comments and blank lines.
TEST(DepotNoms, LinesInOrderCommentsAndBlankLinesSkipped) {
    const QByteArray liste = "# dropped by a test\r\n" + url_de("/m/b.wav") + "\r\n\r\n" +
                             url_de("/m/a.mp3") + "\n" + url_de("/m/caf\xE9.wav");
    EXPECT_EQ(chemins_uri_list(liste), (std::vector<std::string>{"/m/b.wav", "/m/a.mp3", "/m/caf\xE9.wav"}));
}

// Hosts: none or localhost is this machine; another host keeps its name in
// front, as a network path.
TEST(DepotNoms, HostsAndSchemes) {
    struct Cas {
        QByteArray ligne;
        std::vector<std::string> attendu;
    };
    const std::vector<Cas> cas = {
        {"file:///m/a.mp3", {"/m/a.mp3"}},
        {"file://localhost/m/a.mp3", {"/m/a.mp3"}},
        {"FILE://LocalHost/m/a.mp3", {"/m/a.mp3"}},
        {"file://serveur/part/a.mp3", {"//serveur/part/a.mp3"}},
        {"file:/m/a.mp3", {"/m/a.mp3"}},
        {"file:///m/a.mp3#fragment", {"/m/a.mp3"}},
        {"http://exemple/a.mp3", {}},
        {"smb://serveur/a.mp3", {}},
        {"file://", {}},
        {"", {}},
        {"a.mp3", {}},
    };
    for (const auto& c : cas) EXPECT_EQ(chemins_uri_list(c.ligne + "\r\n"), c.attendu) << c.ligne.constData();
}

// Senders that do not escape everything: raw bytes and a '%' that starts no
// escape are kept as they are; lower-case hexadecimal digits decode too.
TEST(DepotNoms, UnescapedBytesAndLonePercentKept) {
    EXPECT_EQ(chemins_uri_list("file:///m/un deux.mp3\r\n"), std::vector<std::string>{"/m/un deux.mp3"});
    EXPECT_EQ(chemins_uri_list("file:///m/caf\xE9.wav"), std::vector<std::string>{"/m/caf\xE9.wav"});
    EXPECT_EQ(chemins_uri_list("file:///m/50%.mp3"), std::vector<std::string>{"/m/50%.mp3"});
    EXPECT_EQ(chemins_uri_list("file:///m/5%g0%.mp3"), std::vector<std::string>{"/m/5%g0%.mp3"});
    EXPECT_EQ(chemins_uri_list("file:///m/caf%e9%2Fx.wav"), std::vector<std::string>{"/m/caf\xE9/x.wav"});
    EXPECT_EQ(chemins_uri_list("file:///m/a%00b.mp3"),
              std::vector<std::string>{std::string("/m/a\0b.mp3", 10)});
}

// --- Dropped files -------------------------------------------------------

// The last three bytes decide, in any case, with or without a dot, and a
// folder name ending in those letters counts too.
TEST(ListeDepot, LastThreeLettersInAnyCase) {
    for (const char* ok : {"/m/a.Mp3", "/m/b.WAV", "/m/c.wma", "/m/AMP3", "/m/Dossier.wav", "/m/dossierwav",
                           "mp3", "C:\\x.mP3"})
        EXPECT_TRUE(vt::depot_accepte(ok)) << ok;
    for (const char* non : {"/m/a.mp4", "/m/b.ogg", "/m/c.mp3 ", "/m/d.mp", "p3", "", "/m/e.WAVE",
                            "/m/f.m\xC3\xA0"
                            "3"})
        EXPECT_FALSE(vt::depot_accepte(non)) << non;
}

// A long path is judged and taken whole, with no length cut.
TEST(ListeDepot, LongPathTakenWhole) {
    std::string long_chemin = "/m/" + std::string(400, 'x') + ".mp3";
    vt::ListeCourante l;
    vt::ajouter_deposes(l, {long_chemin});
    ASSERT_EQ(l.nombre(), 1);
    EXPECT_EQ(l.chemin(0), long_chemin);
}

// Accepted drops are appended in order, duplicates included; others skipped.
TEST(ListeDepot, AcceptedAppendedInOrderWithDuplicates) {
    vt::ListeCourante l;
    l.ajouter_nommes_par_dernier_separateur({"/m/0.mp3"});
    vt::ajouter_deposes(l, {"/d/a.Mp3", "/d/b.ogg", "/d/c.WAV", "/d/a.Mp3", "/d/e.wma", "/d/f.mp4"});
    EXPECT_EQ(chemins(l),
              (std::vector<std::string>{"/m/0.mp3", "/d/a.Mp3", "/d/c.WAV", "/d/a.Mp3", "/d/e.wma"}));
}

}  // namespace
