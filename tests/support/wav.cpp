#include "support/wav.h"

#include <cmath>

namespace vt::test {

namespace {
constexpr std::uint32_t kTaux = 44100;

void u32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void u16(std::string& s, std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>(v >> 8));
}
}  // namespace

std::string octets_wav_pcm(const std::vector<std::int16_t>& echantillons, int canaux) {
    const auto c = static_cast<std::uint16_t>(canaux);
    const auto octets = static_cast<std::uint32_t>(echantillons.size() * 2);
    std::string s = "RIFF";
    u32(s, 36 + octets);
    s += "WAVEfmt ";
    u32(s, 16);
    u16(s, 1);
    u16(s, c);
    u32(s, kTaux);
    u32(s, kTaux * 2 * c);
    u16(s, static_cast<std::uint16_t>(2 * c));
    u16(s, 16);
    s += "data";
    u32(s, octets);
    s.reserve(s.size() + octets);
    for (std::int16_t e : echantillons) u16(s, static_cast<std::uint16_t>(e));
    return s;
}

std::string octets_wav(int millisecondes, double frequence, double niveau) {
    const std::uint32_t n = kTaux * static_cast<std::uint32_t>(millisecondes) / 1000;
    std::vector<std::int16_t> e(n);
    for (std::uint32_t i = 0; i < n; ++i)
        e[i] = static_cast<std::int16_t>(
            std::lround(niveau * std::sin(2.0 * M_PI * frequence * i / kTaux) * 32767));
    return octets_wav_pcm(e, 1);
}

std::string octets_id3v2(const std::vector<std::pair<std::string, std::string>>& cadres) {
    const auto taille = [](std::size_t n) {  // 4 bytes of 7 bits
        return std::string{char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
    };
    std::string corps;
    for (const auto& [id, contenu] : cadres)
        corps += id + taille(contenu.size()) + std::string(2, '\0') + contenu;
    return std::string("ID3\x04\0\0", 6) + taille(corps.size()) + corps;
}

}  // namespace vt::test
