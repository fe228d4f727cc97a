#pragma once
// Small PCM WAV files for tests, at 44100 Hz, 16-bit.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vt::test {

// A WAV of interleaved 16-bit samples with `canaux` channels.
std::string octets_wav_pcm(const std::vector<std::int16_t>& echantillons, int canaux);

// A sine tone, mono.
std::string octets_wav(int millisecondes, double frequence = 440.0, double niveau = 0.5);

// An ID3v2.4 tag of these frames (id, content as stored), to put before
// MP3 audio; made byte by byte, as large as wanted.
std::string octets_id3v2(const std::vector<std::pair<std::string, std::string>>& cadres);

}  // namespace vt::test
