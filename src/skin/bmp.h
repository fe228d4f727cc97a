#pragma once
// The commonest skin bitmap, read without Qt's image readers: uncompressed,
// 24 bits per pixel. The start-up decodes skin pictures on a second thread
// before the application object exists, when Qt's readers (which look for
// image plug-ins) are not to be used yet. The result is the picture Qt's own
// BMP reader gives for the same bytes; any other kind of file, or anything
// unusual in this one, is left to Qt's reader (nullopt).
#include <QByteArray>
#include <QImage>

#include <optional>

namespace vt {

std::optional<QImage> decoder_bmp_24_bits(const QByteArray& octets);

}  // namespace vt
