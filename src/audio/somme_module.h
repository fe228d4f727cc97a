#pragma once
// The sum the build records of each of the player's own modules (the
// engine's and the FFmpeg decoder's libraries), in a file beside it: the
// module's name followed by kSuffixeSomme, holding the CRC-32 of its bytes
// as eight lowercase hexadecimal digits and a newline. The loader reads the
// module's bytes again and refuses it when they differ: any damage, a
// flipped instruction as well, which no header shows.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vt::audio {

inline constexpr const char* kSuffixeSomme = ".crc32";

// zlib's CRC-32 of every byte behind `fd`, read from its current position
// to its end; none when a read fails.
std::optional<std::uint32_t> somme_fichier(int fd);

// The file's text for `somme`, and back: none unless `texte` is exactly
// eight hexadecimal digits and a newline.
std::string texte_somme(std::uint32_t somme);
std::optional<std::uint32_t> lire_texte_somme(std::string_view texte);

}  // namespace vt::audio
