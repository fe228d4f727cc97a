// The tags of the playing file: each tag format written with TagLib into a
// copy of a fixture, damaged and huge tags, the picture cache, and the
// reading thread that never lets a stale track's tags through.
#include "ui/bureau/etiquettes.h"
#include "support/dossier_temp.h"
#include "support/wav.h"
#include "ui/bureau/etiquettes_bornes.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>

#include <sys/stat.h>

#include <latch>
#include <new>
#include <stdexcept>

#include <zlib.h>

namespace {

using vt::test::DossierTemp;
namespace T = TagLib;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, 'j') + "\xFF\xD9";
const std::string kPng = vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/image.png");

T::ByteVector octets(const std::string& s) { return T::ByteVector(s.data(), unsigned(s.size())); }

const QStringList kDeux{QStringLiteral("Ana Ö"), QStringLiteral("Bo")};

// The texts through TagLib's common map; then a back cover and the front
// cover (the one shown) in each format's own way.
void etiqueter(const std::string& chemin) {
    T::FileRef f(chemin.c_str());
    T::PropertyMap p;
    p["TITLE"] = T::StringList(T::String("Été à Noël", T::String::UTF8));
    for (const QString& a : kDeux) p["ARTIST"].append(T::String(a.toStdString(), T::String::UTF8));
    p["ALBUM"] = T::StringList("Les saisons");
    p["TRACKNUMBER"] = T::StringList("3/12");
    f.file()->setProperties(p);
    for (auto [type, image] : {std::pair{4, octets(kPng)}, std::pair{3, octets(kJpeg)}}) {
        auto* flac = new T::FLAC::Picture;
        flac->setType(T::FLAC::Picture::Type(type));
        flac->setData(image);
        if (auto* m = dynamic_cast<T::MPEG::File*>(f.file())) {
            auto* a = new T::ID3v2::AttachedPictureFrame;
            a->setType(T::ID3v2::AttachedPictureFrame::Type(type));
            a->setPicture(image);
            m->ID3v2Tag()->addFrame(a);
        } else if (auto* a = dynamic_cast<T::ASF::File*>(f.file())) {
            T::ASF::Picture i;
            i.setType(T::ASF::Picture::Type(type));
            i.setPicture(image);
            a->tag()->addAttribute("WM/Picture", T::ASF::Attribute(i));
        } else if (auto* m4 = dynamic_cast<T::MP4::File*>(f.file());
                   m4 && type == 3) {  // no types: the first is shown
            m4->tag()->setItem(
                "covr", T::MP4::CoverArtList().append(T::MP4::CoverArt(T::MP4::CoverArt::JPEG, image)));
        }
        if (auto* fl = dynamic_cast<T::FLAC::File*>(f.file()))
            fl->addPicture(flac);
        else if (auto* v = dynamic_cast<T::Ogg::Vorbis::File*>(f.file()))
            v->tag()->addPicture(flac);
        else
            delete flac;
    }
    ASSERT_TRUE(f.save());
}

class Formats : public ::testing::TestWithParam<std::pair<const char*, QStringList>> {};

TEST_P(Formats, TitleArtistsAlbumTrackAndFrontCover) {
    DossierTemp d;
    const std::string chemin = d.ecrire(
        GetParam().first, vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/" + std::string(GetParam().first)));
    etiqueter(chemin);
    const vt::Etiquettes e = vt::lire_etiquettes(chemin);
    EXPECT_EQ(e.titre, QStringLiteral("Été à Noël"));
    EXPECT_EQ(e.artistes, GetParam().second);  // what the format keeps of the two
    EXPECT_EQ(e.album, QStringLiteral("Les saisons"));
    EXPECT_EQ(e.piste, 3);
    EXPECT_EQ(e.image, kJpeg);
}

INSTANTIATE_TEST_SUITE_P(Etiquettes, Formats,
                         ::testing::Values(std::pair{"ton440.mp3", kDeux}, std::pair{"ton440.flac", kDeux},
                                           std::pair{"ton440.ogg", kDeux}, std::pair{"ton440.m4a", kDeux},
                                           // TagLib writes ASF's artists as one text
                                           std::pair{"ton440.wma", QStringList{QStringLiteral("Ana Ö Bo")}}),
                         [](const auto& info) {  // "mp3", "flac"...
                             const std::string nom = info.param.first;
                             return nom.substr(nom.find('.') + 1);
                         });

// Damaged files give no tags, and never hang or crash the reader; nor do
// a pipe (which would block it for ever), a folder or a missing file.
TEST(Etiquettes, DamagedFilesGiveNoTags) {
    DossierTemp d;
    const std::string bruit(4000, '\x5A');
    const std::pair<const char*, std::string> fichiers[] = {
        {"id3.mp3", std::string("ID3\x04\0\0\x7F\x7F\x7F\x7F", 10) + bruit},  // a tag of 256 MB announced
        {"bloc.flac", std::string("fLaC\x86\xFF\xFF\xFF", 8) + bruit},        // a 16 MB picture block
        {"page.ogg", "OggS" + bruit},
        {"boite.m4a", std::string("\xFF\xFF\xFF\xFF"
                                  "ftypM4A ",
                                  12) +
                          bruit},  // a 4 GB box
        {"entete.wma", std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\0\xAA\0\x62\xCE\x6C"
                                   "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F",
                                   24) +
                           bruit},
        {"vide.flac", ""},
        {"sans_extension", bruit}};
    std::vector<std::string> noms{"tube.mp3", "dossier.mp3", "absent.mp3"};
    for (const auto& [nom, octets] : fichiers) d.ecrire(nom, octets), noms.push_back(nom);
    ASSERT_EQ(::mkfifo((d / "tube.mp3").c_str(), 0600) + ::mkdir((d / "dossier.mp3").c_str(), 0700), 0);
    for (const std::string& nom : noms) {
        const vt::Etiquettes e = vt::lire_etiquettes(d / nom);
        EXPECT_TRUE(e.titre.isEmpty() && e.artistes.isEmpty() && e.image.empty()) << nom;
    }
}

// A 17 MB picture, a 2 MB title and 100 artists: the texts are cut, the
// picture left out.
TEST(Etiquettes, HugeTagsAreBounded) {
    DossierTemp d;
    std::string artistes = "\x03";  // UTF-8, the names separated by a zero byte
    for (int i = 0; i < 100; ++i) artistes += std::to_string(i) + '\0';
    const std::string chemin = d.ecrire(
        "grand.mp3", vt::test::octets_id3v2({{"TIT2", "\x03" + std::string(2 << 20, 't')},
                                             {"TPE1", artistes},
                                             {"APIC", std::string("\0image/jpeg\0\x03\0", 14) + kJpeg +
                                                          std::string(17 << 20, 'j') + "\xFF\xD9"}}) +
                         vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.mp3"));
    const vt::Etiquettes e = vt::lire_etiquettes(chemin);
    EXPECT_EQ(e.titre, QString(vt::kMaxCaracteres, QLatin1Char('t')));
    ASSERT_EQ(e.artistes.size(), vt::kMaxArtistes);
    EXPECT_EQ(e.artistes.last(), QString::number(vt::kMaxArtistes - 1));
    EXPECT_TRUE(e.image.empty());
}

// The cache: one file per picture, named by its bytes, written once; a
// file cut short (a crash while it was written) is written again.
TEST(Etiquettes, PicturesAreWrittenOnceByTheirBytes) {
    DossierTemp d;
    const std::string jpeg = vt::ecrire_image(d / "cache/", kJpeg);
    struct stat avant {
    }, apres{};
    ASSERT_EQ(::stat(jpeg.c_str(), &avant), 0);
    EXPECT_EQ(vt::ecrire_image(d / "cache/", kJpeg), jpeg);
    ASSERT_EQ(::stat(jpeg.c_str(), &apres), 0);
    EXPECT_EQ(apres.st_ino, avant.st_ino);
    EXPECT_TRUE(jpeg.ends_with(".jpg") && vt::ecrire_image(d / "cache/", kPng).ends_with(".png"));
    EXPECT_EQ(vt::ecrire_image(d / "cache/", "texte, pas une image"), "");
    d.ecrire(jpeg.substr(d.chemin().size()), kJpeg.substr(0, 10));
    EXPECT_EQ(vt::ecrire_image(d / "cache/", kJpeg), jpeg);
    EXPECT_EQ(vt::test::lire_fichier(jpeg), kJpeg);
}

// A track started while the previous one's tags are being read: those
// never land on it, and the new track's come next, picture written.
TEST(Etiquettes, StaleTracksTagsAreDropped) {
    DossierTemp d;
    std::latch commencee(1), reprendre(1);
    vt::LectureEtiquettes l(d / "cache/", [&](const std::string& chemin) {
        if (chemin == "lent.mp3") commencee.count_down(), reprendre.wait();
        return vt::Etiquettes{QString::fromStdString(chemin), {}, {}, 0, kPng, {}};
    });
    QSignalSpy lues(&l, &vt::LectureEtiquettes::lues);
    l.demander(1, "lent.mp3");
    commencee.wait();
    EXPECT_EQ(l.pour(1), nullptr);  // asked for, not waited for
    l.demander(2, "suivant.mp3");
    reprendre.count_down();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.pour(2) != nullptr; }, 5000));
    EXPECT_EQ(l.pour(2)->titre, QStringLiteral("suivant.mp3"));
    EXPECT_EQ(vt::test::lire_fichier(l.pour(2)->fichier_image), kPng);
    EXPECT_EQ(l.pour(1), nullptr);
    EXPECT_EQ(lues.size(), 1);
}

// ---------------------------------------------------------------- hostile tags

std::string sept_bits(std::size_t n) {
    return {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
}
// An ID3v2.4 frame with its flags' second byte.
std::string cadre(const std::string& id, const std::string& contenu, char drapeaux = 0) {
    return id + sept_bits(contenu.size()) + '\0' + drapeaux + contenu;
}
std::string tag(const std::string& cadres) {
    return std::string("ID3\x04\0\0", 6) + sept_bits(cadres.size()) + cadres;
}
// A chapter holding `dedans`.
std::string chapitre(const std::string& dedans) {
    return cadre("CHAP", std::string("c\0", 2) + std::string(16, '\0') + dedans);
}
// A compressed frame: the inflated length, then zlib's bytes.
std::string comprime(const std::string& id, const std::string& contenu) {
    uLongf n = compressBound(uLong(contenu.size()));
    std::string z(n, '\0');
    compress2(reinterpret_cast<Bytef*>(z.data()), &n, reinterpret_cast<const Bytef*>(contenu.data()),
              uLong(contenu.size()), 1);
    z.resize(n);
    return cadre(id, sept_bits(contenu.size()) + z, 0x09);
}
std::string titre(const std::string& t) { return cadre("TIT2", "\x03" + t); }

// Tags that would crash TagLib (chapters 20,000 deep), swell it by a
// gigabyte (a compressed frame) or leave it holding its memory (thousands
// of frames) are not read at all; the same shapes within bounds are.
TEST(Etiquettes, HostileTagsAreRefusedBeforeTagLibReadsThem) {
    std::string profond = titre("fond");
    for (int i = 0; i < 20000; ++i) profond = chapitre(profond);
    std::string peu_profond = titre("fond");
    for (int i = 0; i < 3; ++i) peu_profond = chapitre(peu_profond);
    std::string milliers, centaine;
    for (int i = 0; i < 5000; ++i) (i < 100 ? centaine : milliers) += cadre("TXXX", "\x03k\0v");
    const struct {
        const char* nom;
        std::string cadres;
        bool lu;
    } cas[] = {{"chapitres_profonds", profond, false},
               {"trois_chapitres", peu_profond, true},
               {"gonfle_34_Mo", comprime("TIT2", "\x03" + std::string(34 << 20, 'z')), false},
               {"chapitre_gonfle_profond",
                comprime("CHAP", std::string("c\0", 2) + std::string(16, '\0') + profond), false},
               {"gonfle_petit", comprime("TALB", std::string(1, '\3') + "Album"), true},
               {"milliers_de_cadres", centaine + milliers, false},
               {"cent_cadres", centaine, true}};
    DossierTemp d;
    const std::string mp3 = vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.mp3");
    for (const auto& c : cas) {
        const vt::Etiquettes e =
            vt::lire_etiquettes(d.ecrire(std::string(c.nom) + ".mp3", tag(titre("Haut") + c.cadres) + mp3));
        EXPECT_EQ(e.titre, c.lu ? QStringLiteral("Haut") : QString()) << c.nom;
    }
    EXPECT_EQ(vt::lire_etiquettes(d / "gonfle_petit.mp3").album, QStringLiteral("Album"));
}

// A FLAC file with 5,000 artists is refused at once; one with 40 is read,
// its first 32 kept.
TEST(Etiquettes, FlacCommentsAreBounded) {
    DossierTemp d;
    for (int n : {40, 5000}) {
        const std::string chemin = d.ecrire(std::to_string(n) + ".flac",
                                            vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.flac"));
        {
            T::FLAC::File f(chemin.c_str());
            for (int i = 0; i < n; ++i) f.xiphComment(true)->addField("ARTIST", T::String::number(i), false);
            ASSERT_TRUE(f.save());
        }
        EXPECT_EQ(vt::lire_etiquettes(chemin).artistes.size(), n == 40 ? vt::kMaxArtistes : 0) << n;
    }
}

// Texts as the desktop gets them: cut before an emoji that would be split
// (the title kept, not lost), controls and direction overrides dropped.
TEST(Etiquettes, TextsAreCutOnCharactersAndCleaned) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units
    const QString a1023(1023, QLatin1Char('a'));
    const struct {
        QString brut, montre;
    } cas[] = {{a1023 + emoji + QStringLiteral("b"), a1023},
               {QString(1022, QLatin1Char('a')) + emoji, QString(1022, QLatin1Char('a')) + emoji},
               {QStringLiteral("\x1b[31mRouge\a\r\nX\u202Eyz\u2066"), QStringLiteral("[31mRougeXyz")},
               {QStringLiteral("e\u0301t\u00e9 ") + QChar(0xD800) + QStringLiteral("!"),
                QStringLiteral("e\u0301t\u00e9 !")}};
    DossierTemp d;
    const std::string mp3 = vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.mp3");
    int i = 0;
    for (const auto& c : cas) {  // through a UTF-16 tag and TagLib
        std::string utf16("\x01\xFF\xFE", 3);
        for (QChar q : c.brut) utf16 += char(q.unicode() & 0xFF), utf16 += char(q.unicode() >> 8);
        const std::string chemin =
            d.ecrire("t" + std::to_string(i++) + ".mp3", tag(cadre("TIT2", utf16)) + mp3);
        EXPECT_EQ(vt::lire_etiquettes(chemin).titre, c.montre) << i;
    }
}

// Only a whole picture of the size its header declares is written to the
// cache: cut ones (a FLAC block declaring 4 GB gave 8 bytes) are not.
TEST(Etiquettes, OnlyWholePicturesAreWritten) {
    auto le32 = [](std::uint32_t n) {
        return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)};
    };
    const std::string bmp = "BM" + le32(60) + le32(0) + le32(54) + std::string(46, '\1');
    const std::string webp = "RIFF" + le32(12) + "WEBPVP8 " + le32(0);
    const std::string gif = std::string("GIF89a") + std::string(20, '\0') + ";";
    const struct {
        std::string octets;
        bool entiere;
    } cas[] = {{kPng, true},
               {kPng.substr(0, 8), false},
               {kPng.substr(0, kPng.size() - 1), false},
               {kJpeg, true},
               {kJpeg.substr(0, 200), false},
               {gif, true},
               {gif.substr(0, 20), false},
               {bmp, true},
               {bmp.substr(0, 58), false},
               {webp, true},
               {webp.substr(0, 18), false}};
    DossierTemp d;
    for (const auto& c : cas) {
        EXPECT_EQ(vt::image_entiere(c.octets), c.entiere) << c.octets.size();
        EXPECT_EQ(vt::ecrire_image(d / "cache/", c.octets).empty(), !c.entiere) << c.octets.size();
    }
}

// Whatever the reading throws (memory refused first) ends that file's
// tags only: they come as empty ones, and the next file is read.
TEST(Etiquettes, ThrowsWhileReadingGiveEmptyTags) {
    DossierTemp d;
    vt::LectureEtiquettes l(d / "cache/", [](const std::string& chemin) -> vt::Etiquettes {
        if (chemin == "memoire") throw std::bad_alloc();
        if (chemin == "erreur") throw std::runtime_error("x");
        if (chemin == "entier") throw 3;
        return vt::Etiquettes{QStringLiteral("bon"), {}, {}, 0, {}, {}};
    });
    std::uint64_t n = 0;
    for (const char* chemin : {"memoire", "erreur", "entier", "bon"}) {
        l.demander(++n, chemin);
        ASSERT_TRUE(QTest::qWaitFor([&] { return l.pour(n) != nullptr; }, 5000)) << chemin;
        EXPECT_EQ(l.pour(n)->titre, n == 4 ? QStringLiteral("bon") : QString()) << chemin;
    }
}

}  // namespace
