#pragma once

// The show's one pseudo-random generator. It starts at state 1 and is never seeded, so every run
// makes the same sequence: 41, 18467, 6334, 26500, ...
// Returns a number from 0 to 32767.
int nextHexRandom();

// Puts the generator back to its starting state; for tests that need the sequence from its start.
void resetHexRandom();
