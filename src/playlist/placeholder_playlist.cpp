// Placeholder until the playlist library has code.
