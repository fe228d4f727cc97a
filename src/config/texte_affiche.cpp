#include "config/texte_affiche.h"

#include <QStringDecoder>

namespace vt {

namespace {

// Windows-1252 from 0x80 to 0x9F; the other bytes are Latin-1.
constexpr char16_t kCp1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Valid UTF-8 as UTF-8, anything else through Windows-1252.
QString decoder(std::string_view octets) {
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString texte = utf8.decode(QByteArrayView(octets.data(), static_cast<qsizetype>(octets.size())));
    if (!utf8.hasError()) return texte;
    texte.clear();
    texte.reserve(static_cast<qsizetype>(octets.size()));
    for (char c : octets) {
        const auto b = static_cast<unsigned char>(c);
        texte += QChar(b >= 0x80 && b < 0xA0 ? kCp1252[b - 0x80] : char16_t(b));
    }
    return texte;
}

}  // namespace

QString texte_affiche(std::string_view octets) {
    const bool coupe = octets.size() > kOctetsAffiches;
    if (coupe) {
        std::size_t n = kOctetsAffiches;
        // Back to the start of a UTF-8 sequence, so that no half character
        // shows before the ellipsis (at most three bytes back).
        for (int k = 0; k < 3 && n > 0 && (static_cast<unsigned char>(octets[n]) & 0xC0) == 0x80; ++k) --n;
        octets = octets.substr(0, n);
    }
    QString texte = decoder(octets);
    if (coupe) texte += QChar(0x2026);
    return texte;
}

}  // namespace vt
