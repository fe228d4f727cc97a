#include "support/wav.h"

#include <cmath>
#include <cstdint>

namespace vt::test {

namespace {
void u32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void u16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>(v >> 8));
}
}  // namespace

std::string octets_wav(int millisecondes, double frequence, double niveau) {
    const std::uint32_t taux = 44100;
    const std::uint32_t n = taux * static_cast<std::uint32_t>(millisecondes) / 1000;
    std::string s = "RIFF";
    u32(s, 36 + n * 2);
    s += "WAVEfmt ";
    u32(s, 16);
    u16(s, 1);
    u16(s, 1);
    u32(s, taux);
    u32(s, taux * 2);
    u16(s, 2);
    u16(s, 16);
    s += "data";
    u32(s, n * 2);
    for (std::uint32_t i = 0; i < n; ++i) {
        double v = niveau * std::sin(2.0 * M_PI * frequence * i / taux);
        u16(s, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))));
    }
    return s;
}

}  // namespace vt::test
