#pragma once
// Writes a small PCM WAV file: a sine tone, 16-bit mono at 44100 Hz.
#include <string>

namespace vt::test {
std::string octets_wav(int millisecondes, double frequence = 440.0, double niveau = 0.5);
}
