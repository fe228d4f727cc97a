#include "skin/bmp.h"

#include <cstdint>

namespace vt {

namespace {

std::uint32_t u32(const QByteArray& o, qsizetype i) {
    const auto* p = reinterpret_cast<const unsigned char*>(o.constData()) + i;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
std::int32_t i32(const QByteArray& o, qsizetype i) { return static_cast<std::int32_t>(u32(o, i)); }
std::uint16_t u16(const QByteArray& o, qsizetype i) {
    const auto* p = reinterpret_cast<const unsigned char*>(o.constData()) + i;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr qsizetype kEnteteFichier = 14;
constexpr std::int64_t kCoteMax = 32768;
constexpr std::int64_t kOctetsMax = std::int64_t(256) << 20;  // of the decoded picture

}  // namespace

std::optional<QImage> decoder_bmp_24_bits(const QByteArray& o) {
    // File header, then a Windows information header of a known size (the
    // 40-byte one or its later, longer versions).
    if (o.size() < kEnteteFichier + 40 || o[0] != 'B' || o[1] != 'M') return std::nullopt;
    const std::uint32_t debut_pixels = u32(o, 10);
    const std::uint32_t taille_entete = u32(o, 14);
    if (taille_entete != 40 && taille_entete != 52 && taille_entete != 56 && taille_entete != 108 &&
        taille_entete != 124)
        return std::nullopt;
    if (o.size() < kEnteteFichier + static_cast<qsizetype>(taille_entete)) return std::nullopt;
    const std::int64_t largeur = i32(o, 18);
    const std::int64_t hauteur_signee = i32(o, 22);
    if (u16(o, 26) != 1 || u16(o, 28) != 24 || u32(o, 30) != 0 /* uncompressed */) return std::nullopt;
    // A colour table is of no use at this depth; where one is announced,
    // the pixels' place is left to Qt's reader to judge.
    if (u32(o, 46) != 0) return std::nullopt;
    const std::int64_t hauteur = hauteur_signee < 0 ? -hauteur_signee : hauteur_signee;
    if (largeur < 1 || hauteur < 1 || largeur > kCoteMax || hauteur > kCoteMax ||
        largeur * hauteur * 4 > kOctetsMax)
        return std::nullopt;
    // The pixels right after the headers, complete.
    if (debut_pixels != kEnteteFichier + taille_entete) return std::nullopt;
    const std::int64_t pas = (largeur * 3 + 3) & ~std::int64_t(3);
    if (static_cast<std::int64_t>(debut_pixels) + pas * hauteur > o.size()) return std::nullopt;

    QImage image(static_cast<int>(largeur), static_cast<int>(hauteur), QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    const auto* source = reinterpret_cast<const unsigned char*>(o.constData()) + debut_pixels;
    for (std::int64_t y = 0; y < hauteur; ++y) {
        // Rows are stored from the bottom up, unless the height is negative.
        const int ligne = static_cast<int>(hauteur_signee > 0 ? hauteur - 1 - y : y);
        auto* cible = reinterpret_cast<QRgb*>(image.scanLine(ligne));
        const unsigned char* p = source + y * pas;
        for (std::int64_t x = 0; x < largeur; ++x, p += 3) cible[x] = qRgb(p[2], p[1], p[0]);
    }
    image.setDotsPerMeterX(i32(o, 38));
    image.setDotsPerMeterY(i32(o, 42));
    return image;
}

}  // namespace vt
