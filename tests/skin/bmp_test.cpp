// The start-up's own reader of uncompressed 24-bit bitmaps: it must give
// exactly what Qt's BMP reader gives for the same bytes, and leave every
// other file to Qt's reader.
#include "skin/bmp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using vt::decoder_bmp_24_bits;

QImage par_qt(const QByteArray& octets) {
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, "bmp");
    lecteur.setAutoDetectImageFormat(false);
    return lecteur.read();
}

void meme_image(const QImage& a, const QImage& b, const std::string& quoi) {
    ASSERT_FALSE(b.isNull()) << quoi;
    EXPECT_EQ(a.format(), b.format()) << quoi;
    EXPECT_EQ(a.size(), b.size()) << quoi;
    EXPECT_EQ(a, b) << quoi;
    EXPECT_EQ(a.dotsPerMeterX(), b.dotsPerMeterX()) << quoi;
    EXPECT_EQ(a.dotsPerMeterY(), b.dotsPerMeterY()) << quoi;
}

void mettre32(QByteArray& o, int i, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) o[i + k] = static_cast<char>((v >> (8 * k)) & 0xff);
}
void mettre16(QByteArray& o, int i, std::uint16_t v) {
    o[i] = static_cast<char>(v & 0xff);
    o[i + 1] = static_cast<char>(v >> 8);
}

// A 24-bit bitmap, written by hand: every pixel different, rows padded to
// four bytes, top-down when `hauteur` is negative, with the information
// header of `taille_entete` bytes.
QByteArray bmp(int largeur, int hauteur, int ppm = 2835, std::uint32_t taille_entete = 40) {
    const int h = hauteur < 0 ? -hauteur : hauteur;
    const int pas = (largeur * 3 + 3) & ~3;
    const int debut = 14 + static_cast<int>(taille_entete);
    QByteArray o(debut + pas * h, '\0');
    o[0] = 'B';
    o[1] = 'M';
    mettre32(o, 2, static_cast<std::uint32_t>(o.size()));
    mettre32(o, 10, static_cast<std::uint32_t>(debut));
    mettre32(o, 14, taille_entete);
    mettre32(o, 18, static_cast<std::uint32_t>(largeur));
    mettre32(o, 22, static_cast<std::uint32_t>(hauteur));
    mettre16(o, 26, 1);
    mettre16(o, 28, 24);
    mettre32(o, 34, static_cast<std::uint32_t>(pas * h));
    mettre32(o, 38, static_cast<std::uint32_t>(ppm));
    mettre32(o, 42, static_cast<std::uint32_t>(ppm + 1));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < largeur; ++x)
            for (int c = 0; c < 3; ++c)
                o[debut + y * pas + x * 3 + c] = static_cast<char>((x * 7 + y * 13 + c * 101) & 0xff);
    return o;
}

// Every bitmap shipped in the skins and in the built-in look.
TEST(Bmp24Bits, ShippedSkinsReadAsQtReadsThem) {
    int lues = 0;
    QDir skins(QStringLiteral(VANTREL_SOURCE_DIR "/skin"));
    QStringList dossiers{QStringLiteral(VANTREL_SOURCE_DIR "/src/skin/builtin")};
    for (const QString& sous : skins.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        dossiers << skins.filePath(sous);
    for (const QString& dossier : dossiers) {
        QDir d(dossier);
        for (const QString& nom : d.entryList({QStringLiteral("*.bmp")}, QDir::Files)) {
            QFile f(d.filePath(nom));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const QByteArray octets = f.readAll();
            const std::optional<QImage> image = decoder_bmp_24_bits(octets);
            ASSERT_TRUE(image.has_value()) << nom.toStdString();
            meme_image(*image, par_qt(octets), nom.toStdString());
            ++lues;
        }
    }
    EXPECT_GT(lues, 120);
}

// Row padding for every width modulo four, both row orders, the later
// header versions and resolutions of every sign.
TEST(Bmp24Bits, LayoutsReadAsQtReadsThem) {
    for (int largeur : {1, 2, 3, 4, 5, 17})
        for (int hauteur : {1, 3, -1, -4})
            for (std::uint32_t entete : {40u, 108u, 124u})
                for (int ppm : {0, 2835, -5}) {
                    const QByteArray o = bmp(largeur, hauteur, ppm, entete);
                    const std::optional<QImage> image = decoder_bmp_24_bits(o);
                    const std::string quoi = std::to_string(largeur) + "x" + std::to_string(hauteur) +
                                             " header " + std::to_string(entete) + " ppm " +
                                             std::to_string(ppm);
                    ASSERT_TRUE(image.has_value()) << quoi;
                    meme_image(*image, par_qt(o), quoi);
                }
}

// Other depths, compression, a colour table, pixels elsewhere than right
// after the headers, missing pixels, impossible sizes and anything that is
// not a bitmap are left to Qt's reader.
TEST(Bmp24Bits, AnythingElseIsLeftToQt) {
    auto change = [](QByteArray o, int i, std::uint32_t v, int octets = 4) {
        if (octets == 2)
            mettre16(o, i, static_cast<std::uint16_t>(v));
        else
            mettre32(o, i, v);
        return o;
    };
    const QByteArray bon = bmp(5, 4);
    ASSERT_TRUE(decoder_bmp_24_bits(bon).has_value());
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 28, 32, 2)));        // 32 bits per pixel
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 28, 8, 2)));         // 8 bits per pixel
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 30, 3)));            // bit fields
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 26, 2, 2)));         // two planes
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 46, 16)));           // a colour table
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 10, 60)));           // pixels further on
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 14, 12)));           // the old OS/2 header
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 18, 0)));            // no width
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 22, 0)));            // no height
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 18, 0x80000000u)));  // negative width
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 22, 0x80000000u)));  // the most negative height
    EXPECT_FALSE(decoder_bmp_24_bits(change(bon, 22, 40000)));        // beyond the side limit
    EXPECT_FALSE(decoder_bmp_24_bits(bon.left(bon.size() - 1)));      // last pixel missing
    EXPECT_FALSE(decoder_bmp_24_bits(bon.left(50)));                  // header cut
    EXPECT_FALSE(decoder_bmp_24_bits(QByteArray()));
    QByteArray png;
    QBuffer b(&png);
    b.open(QIODevice::WriteOnly);
    QImage(3, 3, QImage::Format_RGB32).save(&b, "PNG");
    EXPECT_FALSE(decoder_bmp_24_bits(png));
}

}  // namespace
