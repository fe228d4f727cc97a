#pragma once
// How a name made of raw bytes (a path, a file name, a play-list name) is
// shown. The bytes themselves are never converted: they stay as they are in
// every file opened or written; only their display is decided here.
#include <QString>

#include <cstddef>
#include <string_view>

namespace vt {

// Most bytes of a name or path put on screen: a longer one is shown cut,
// "…" after it, while its bytes stay whole wherever it is stored or
// played (laying out megabytes of text would freeze the window).
constexpr std::size_t kOctetsAffiches = 1024;

// Valid UTF-8 shows as UTF-8; anything else as Windows-1252, the code page
// in which play lists and names written on Windows come, so that no name
// ever shows a replacement character. The five bytes that Windows-1252
// leaves unassigned show as the control characters of the same value, as
// Windows itself maps them. Beyond kOctetsAffiches bytes the name is cut
// before a UTF-8 character's first byte and "…" follows.
QString texte_affiche(std::string_view octets);

}  // namespace vt
