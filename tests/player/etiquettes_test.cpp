// The tags of the playing file: each tag format written with TagLib into a
// copy of a fixture, damaged and huge tags, the picture cache, and the
// reading thread that never lets a stale track's tags through.
#include "player/etiquettes.h"
#include "support/dossier_temp.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>

#include <sys/stat.h>

#include <latch>

namespace {

using vt::test::DossierTemp;
namespace T = TagLib;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, 'j');
const std::string kPng = vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/image.png");

T::ByteVector octets(const std::string& s) { return T::ByteVector(s.data(), unsigned(s.size())); }

T::PropertyMap proprietes(const T::String& titre, const char* piste = "3/12") {
    T::PropertyMap p;
    p["TITLE"] = T::StringList(titre);
    T::StringList artistes(T::String("Ana Ö", T::String::UTF8));
    artistes.append("Bo");
    p["ARTIST"] = artistes;
    p["ALBUM"] = T::StringList("Les saisons");
    p["TRACKNUMBER"] = T::StringList(piste);
    return p;
}

// The ways a file carries its tags.
enum class Ecrit { Id3v2, Id3v1, Ape, Natif };

struct CasFormat {
    const char* fixture;
    Ecrit ecrit;
    bool image;           // a picture written beside the texts
    QStringList artistes;  // what the format keeps of the two artists
};

const QStringList kDeux{QStringLiteral("Ana Ö"), QStringLiteral("Bo")};
const QStringList kPremier{QStringLiteral("Ana Ö")};
const QStringList kJoints{QStringLiteral("Ana Ö Bo")};  // TagLib writes ASF's as one text

// Writes the texts, and a back cover then the front cover (the front one is
// the one shown) where the format holds pictures.
void etiqueter(const std::string& chemin, const CasFormat& c) {
    const T::String titre("Été à Noël", T::String::UTF8);
    if (c.ecrit != Ecrit::Natif) {
        T::MPEG::File f(chemin.c_str());
        if (c.ecrit == Ecrit::Id3v1) f.ID3v1Tag(true)->setProperties(proprietes(titre, "3"));
        if (c.ecrit == Ecrit::Ape) f.APETag(true)->setProperties(proprietes(titre));
        if (c.ecrit == Ecrit::Id3v2) {
            T::ID3v2::Tag* tag = f.ID3v2Tag(true);
            tag->setProperties(proprietes(titre));
            for (auto [type, image] : {std::pair{T::ID3v2::AttachedPictureFrame::BackCover, kPng},
                                       std::pair{T::ID3v2::AttachedPictureFrame::FrontCover, kJpeg}}) {
                auto* a = new T::ID3v2::AttachedPictureFrame;
                a->setType(type);
                a->setPicture(octets(image));
                tag->addFrame(a);
            }
        }
        const int quoi = c.ecrit == Ecrit::Id3v2 ? T::MPEG::File::ID3v2
                         : c.ecrit == Ecrit::Id3v1 ? T::MPEG::File::ID3v1 : T::MPEG::File::APE;
        ASSERT_TRUE(f.save(quoi));
        return;
    }
    T::FileRef f(chemin.c_str());
    ASSERT_FALSE(f.isNull());
    f.file()->setProperties(proprietes(titre));
    auto flac = [](int type, const std::string& image) {
        auto* p = new T::FLAC::Picture;
        p->setType(T::FLAC::Picture::Type(type));
        p->setData(octets(image));
        return p;
    };
    if (auto* fl = dynamic_cast<T::FLAC::File*>(f.file())) {
        fl->addPicture(flac(4, kPng));
        fl->addPicture(flac(3, kJpeg));
    } else if (auto* v = dynamic_cast<T::Ogg::Vorbis::File*>(f.file())) {
        v->tag()->addPicture(flac(4, kPng));
        v->tag()->addPicture(flac(3, kJpeg));
    } else if (auto* m = dynamic_cast<T::MP4::File*>(f.file())) {
        T::MP4::CoverArtList l;  // no picture types: the first is shown
        l.append(T::MP4::CoverArt(T::MP4::CoverArt::JPEG, octets(kJpeg)));
        m->tag()->setItem("covr", l);
    } else if (auto* a = dynamic_cast<T::ASF::File*>(f.file())) {
        for (auto [type, image] : {std::pair{T::ASF::Picture::BackCover, kPng},
                                   std::pair{T::ASF::Picture::FrontCover, kJpeg}}) {
            T::ASF::Picture p;
            p.setType(type);
            p.setPicture(octets(image));
            a->tag()->addAttribute("WM/Picture", T::ASF::Attribute(p));
        }
    }
    ASSERT_TRUE(f.save());
}

class Formats : public ::testing::TestWithParam<CasFormat> {};

TEST_P(Formats, TitleArtistsAlbumTrackAndFrontCover) {
    const CasFormat& c = GetParam();
    DossierTemp d;
    const std::string chemin = d.ecrire(c.fixture, vt::test::lire_fichier(std::string(VANTREL_FIXTURES_DIR "/") + c.fixture));
    etiqueter(chemin, c);
    const vt::Etiquettes e = vt::lire_etiquettes(chemin);
    EXPECT_EQ(e.titre, QStringLiteral("Été à Noël"));
    EXPECT_EQ(e.artistes, c.artistes);
    EXPECT_EQ(e.album, QStringLiteral("Les saisons"));
    EXPECT_EQ(e.piste, 3);
    EXPECT_EQ(e.image, c.image ? kJpeg : std::string());
}

INSTANTIATE_TEST_SUITE_P(
    Etiquettes, Formats,
    ::testing::Values(CasFormat{"ton440.mp3", Ecrit::Id3v2, true, kDeux}, CasFormat{"ton440.mp3", Ecrit::Id3v1, false, kPremier},
                      CasFormat{"ton440.mp3", Ecrit::Ape, false, kDeux}, CasFormat{"ton440.flac", Ecrit::Natif, true, kDeux},
                      CasFormat{"ton440.ogg", Ecrit::Natif, true, kDeux}, CasFormat{"ton440.m4a", Ecrit::Natif, true, kDeux},
                      CasFormat{"ton440.wma", Ecrit::Natif, true, kJoints}));

// Files that give no tags, and never hang or crash the reader.
struct CasAbime {
    const char* nom;
    std::string octets;
};

class Abimes : public ::testing::TestWithParam<CasAbime> {};

TEST_P(Abimes, GiveEmptyTags) {
    DossierTemp d;
    const std::string chemin = d.ecrire(GetParam().nom, GetParam().octets);
    const vt::Etiquettes e = vt::lire_etiquettes(chemin);
    EXPECT_TRUE(e.titre.isEmpty());
    EXPECT_TRUE(e.artistes.isEmpty());
    EXPECT_TRUE(e.image.empty());
}

const std::string kBruit(4000, '\x5A');

INSTANTIATE_TEST_SUITE_P(
    Etiquettes, Abimes,
    ::testing::Values(
        // An ID3v2 header announcing 256 MB, followed by a few bytes.
        CasAbime{"id3.mp3", std::string("ID3\x04\x00\x00\x7F\x7F\x7F\x7F", 10) + kBruit},
        // A FLAC picture block announcing 16 MB.
        CasAbime{"bloc.flac", std::string("fLaC\x86\xFF\xFF\xFF", 8) + kBruit},
        CasAbime{"page.ogg", "OggS" + kBruit},
        // An MP4 box of 4 GB.
        CasAbime{"boite.m4a", std::string("\xFF\xFF\xFF\xFF" "ftypM4A ", 12) + kBruit},
        CasAbime{"entete.wma", std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"
                                           "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 24) + kBruit},
        CasAbime{"vide.flac", ""}, CasAbime{"sans_extension", kBruit}));

// A pipe would block the reader for ever, a folder is no file.
TEST(Etiquettes, PipesAndFoldersAreNotRead) {
    DossierTemp d;
    ASSERT_EQ(::mkfifo((d / "tube.mp3").c_str(), 0600), 0);
    ASSERT_EQ(::mkdir((d / "dossier.mp3").c_str(), 0700), 0);
    EXPECT_TRUE(vt::lire_etiquettes(d / "tube.mp3").titre.isEmpty());
    EXPECT_TRUE(vt::lire_etiquettes(d / "dossier.mp3").titre.isEmpty());
    EXPECT_TRUE(vt::lire_etiquettes(d / "absent.mp3").titre.isEmpty());
}

// An ID3v2.4 tag of these frames (id, content), written byte by byte:
// TagLib takes seconds to write 50 MB.
std::string id3v2(const std::vector<std::pair<std::string, std::string>>& cadres) {
    const auto taille = [](std::size_t n) {  // 4 bytes of 7 bits
        return std::string{char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
    };
    std::string corps;
    for (const auto& [id, contenu] : cadres) corps += id + taille(contenu.size()) + std::string(2, '\0') + contenu;
    return std::string("ID3\x04\0\0", 6) + taille(corps.size()) + corps;
}

// A 50 MB picture, a 2 MB title and 100 artists: the texts are cut, the
// picture left out.
TEST(Etiquettes, HugeTagsAreBounded) {
    DossierTemp d;
    std::string artistes = "\x03";  // UTF-8, the names separated by a zero byte
    for (int i = 0; i < 100; ++i) artistes += std::to_string(i) + (i < 99 ? std::string(1, '\0') : "");
    const std::string chemin = d.ecrire(
        "grand.mp3", id3v2({{"TIT2", "\x03" + std::string(2 << 20, 't')}, {"TPE1", artistes},
                            {"APIC", std::string("\0image/jpeg\0\x03\0", 14) + kJpeg + std::string(50 << 20, 'j')}}) +
                         vt::test::lire_fichier(VANTREL_FIXTURES_DIR "/ton440.mp3"));
    const vt::Etiquettes e = vt::lire_etiquettes(chemin);
    EXPECT_EQ(e.titre, QString(vt::kMaxCaracteres, QLatin1Char('t')));
    ASSERT_EQ(e.artistes.size(), vt::kMaxArtistes);
    EXPECT_EQ(e.artistes.last(), QString::number(vt::kMaxArtistes - 1));
    EXPECT_TRUE(e.image.empty());
}

// The cache: one file per picture, named by its bytes, written once.
TEST(Etiquettes, PicturesAreWrittenOnceByTheirBytes) {
    DossierTemp d;
    const std::string dossier = d / "cache/vantrel/pochettes/";
    const std::string jpeg = vt::ecrire_image(dossier, kJpeg);
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(jpeg.substr(jpeg.size() - 4), ".jpg");
    EXPECT_EQ(vt::test::lire_fichier(jpeg), kJpeg);
    struct stat avant {}, apres {};
    ASSERT_EQ(::stat(jpeg.c_str(), &avant), 0);
    EXPECT_EQ(vt::ecrire_image(dossier, kJpeg), jpeg);
    ASSERT_EQ(::stat(jpeg.c_str(), &apres), 0);
    EXPECT_EQ(apres.st_ino, avant.st_ino);  // not written again

    const std::string png = vt::ecrire_image(dossier, kPng);
    EXPECT_EQ(png.substr(png.size() - 4), ".png");
    EXPECT_NE(png, jpeg);
    EXPECT_EQ(vt::ecrire_image(dossier, "texte, pas une image"), "");

    // A file cut short (a crash while it was written) is written again whole.
    d.ecrire(jpeg.substr(d.chemin().size()), kJpeg.substr(0, 10));
    EXPECT_EQ(vt::ecrire_image(dossier, kJpeg), jpeg);
    EXPECT_EQ(vt::test::lire_fichier(jpeg), kJpeg);
}

// A track started while the previous one's tags are being read: those
// never land on it, and the new track's come next.
TEST(Etiquettes, StaleTracksTagsAreDropped) {
    DossierTemp d;
    std::latch lecture_commencee(1), reprendre(1);
    vt::LectureEtiquettes l(d / "pochettes/", [&](const std::string& chemin) {
        vt::Etiquettes e;
        e.titre = QString::fromStdString(chemin);
        if (chemin == "lent.mp3") {
            lecture_commencee.count_down();
            reprendre.wait();
        }
        e.image = kPng;
        return e;
    });
    QSignalSpy lues(&l, &vt::LectureEtiquettes::lues);
    l.demander(1, "lent.mp3");
    lecture_commencee.wait();
    EXPECT_EQ(l.pour(1), nullptr);  // asked for, not waited for
    l.demander(2, "suivant.mp3");
    reprendre.count_down();
    ASSERT_TRUE(QTest::qWaitFor([&] { return l.pour(2) != nullptr; }, 5000));
    EXPECT_EQ(l.pour(2)->titre, QStringLiteral("suivant.mp3"));
    EXPECT_EQ(vt::test::lire_fichier(l.pour(2)->fichier_image), kPng);
    EXPECT_EQ(l.pour(1), nullptr);
    ASSERT_EQ(lues.size(), 1);
    EXPECT_EQ(lues[0][0].toULongLong(), 2u);
}

}  // namespace
