// The tags of the playing file: each tag format written with TagLib into a
// copy of a fixture, damaged and huge tags, the picture cache, and the
// reading thread that never lets a stale track's tags through.
#include "player/etiquettes.h"
#include "support/dossier_temp.h"
#include "support/wav.h"

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

namespace {

using vt::test::DossierTemp;
namespace T = TagLib;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, 'j');
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
        {"boite.m4a", std::string("\xFF\xFF\xFF\xFF" "ftypM4A ", 12) + bruit},  // a 4 GB box
        {"entete.wma", std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\0\xAA\0\x62\xCE\x6C"
                                   "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 24) + bruit},
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

// A 50 MB picture, a 2 MB title and 100 artists: the texts are cut, the
// picture left out.
TEST(Etiquettes, HugeTagsAreBounded) {
    DossierTemp d;
    std::string artistes = "\x03";  // UTF-8, the names separated by a zero byte
    for (int i = 0; i < 100; ++i) artistes += std::to_string(i) + '\0';
    const std::string chemin =
        d.ecrire("grand.mp3", vt::test::octets_id3v2({{"TIT2", "\x03" + std::string(2 << 20, 't')},
                                                      {"TPE1", artistes},
                                                      {"APIC", std::string("\0image/jpeg\0\x03\0", 14) +
                                                                   kJpeg + std::string(50 << 20, 'j')}}) +
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

}  // namespace
