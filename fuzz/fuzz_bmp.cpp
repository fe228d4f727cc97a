// The start-up's reader of uncompressed 24-bit bitmaps against Qt's BMP
// reader, on any bytes. Checked: it never crashes, reads beyond the input or
// takes long; and whenever it gives a picture, Qt's reader gives the very
// same one (pixels, format, size and resolution).
#include "outils_fuzz.h"
#include "skin/bmp.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray octets(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QImage> image = vt::decoder_bmp_24_bits(octets);
    if (!image) return 0;
    QBuffer tampon;
    tampon.setData(octets);
    tampon.open(QIODevice::ReadOnly);
    QImageReader lecteur(&tampon, "bmp");
    lecteur.setAutoDetectImageFormat(false);
    const QImage qt = lecteur.read();
    VT_EXIGER(!qt.isNull());
    VT_EXIGER(qt.format() == image->format());
    VT_EXIGER(qt.size() == image->size());
    VT_EXIGER(qt == *image);
    VT_EXIGER(qt.dotsPerMeterX() == image->dotsPerMeterX());
    VT_EXIGER(qt.dotsPerMeterY() == image->dotsPerMeterY());
    return 0;
}
