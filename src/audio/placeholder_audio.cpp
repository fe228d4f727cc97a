// Placeholder until the audio library has code.
