#pragma once
// What one file's tags may cost the player, checked on the file's bytes
// before TagLib reads them (TagLib keeps no bound of its own: it inflates a
// compressed frame whatever its size, follows chapters within chapters as
// deep as they go and builds an object for every frame), and the checks on
// what is kept of them: texts fit to be shown, pictures whole.
#include <QString>

#include <cstdint>
#include <string_view>

namespace vt {

// One tag's stored bytes (an ID3v2 tag, a FLAC file's metadata); a larger
// one is not read at all.
inline constexpr std::uint64_t kMaxOctetsTag = 32 << 20;
// What the compressed frames of one tag inflate to, all together.
inline constexpr std::uint64_t kMaxOctetsGonfles = 32 << 20;
// Frames of one ID3v2 tag (those inside chapters counted), comments and
// metadata blocks of a FLAC file, boxes of an MP4 file's header.
inline constexpr int kMaxCadres = 4096;
// Chapters (or tables of contents) within one another; boxes within one
// another for MP4.
inline constexpr int kMaxProfondeur = 16;

// Whether TagLib may read the tags of the open file `fd`: every ID3v2 tag
// it would read (at the start, in a RIFF or AIFF chunk), a FLAC file's
// metadata and an MP4 file's boxes are within the bounds above. A file
// whose tags cannot be walked is refused too.
bool etiquettes_raisonnables(int fd);

// The same for one ID3v2 tag, header included (for the tests).
bool id3v2_raisonnable(std::string_view tag);

// A text as the desktop may show it: a lone half of a surrogate pair, the
// control characters (ESC, BEL, line breaks...) and the direction
// overrides (U+202A..U+202E, U+2066..U+2069) dropped, then cut to at most
// `max` UTF-16 units at a boundary between characters as the user sees
// them (an emoji, a letter and its accents stay whole), blanks trimmed.
QString texte_montrable(const QString& brut, int max);

// Whether `octets` are a whole picture of the kind their first bytes say:
// a JPEG up to its end marker, a PNG up to its IEND chunk, a GIF up to its
// trailer, a BMP or a WebP as long as their headers declare.
bool image_entiere(std::string_view octets);

}  // namespace vt
