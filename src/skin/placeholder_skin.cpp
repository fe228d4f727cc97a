// Placeholder until the skin library has code.
