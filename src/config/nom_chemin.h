#pragma once
// The name a path shows: the text after its last '/' or '\'. The play list,
// the play-list store and the audio engine (which carries no Qt) all take
// it from here: plain bytes in, plain bytes out.
#include <string_view>

namespace vt {

// The text after the last separator of `chemin`, or the whole path.
inline std::string_view nom_affiche(std::string_view chemin) {
    const std::size_t sep = chemin.find_last_of("/\\");
    return sep == std::string_view::npos ? chemin : chemin.substr(sep + 1);
}

}  // namespace vt
