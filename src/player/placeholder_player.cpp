// Placeholder until the player library has code.
