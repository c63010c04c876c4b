// c_random: the C library's classic pseudo-random generator (srand / rand with
// values 0..32767), as the bubble placements were made with it.
//
// The host C library's rand has another range and sequence, so the screens use this
// one: the same seed always gives the same bubbles on every platform.
#pragma once
#include <cstdint>

constexpr int32_t C_RAND_MAX = 32767;

// Sets the generator's state, as srand does.
void cRandomSeed(uint32_t seed);
// The next value, 0 .. C_RAND_MAX, as rand does.
int32_t cRandom();

// How the screens place their bubbles: every value is drawn right after re-seeding
// with the tick count plus the bubble's index plus seed, and the value drawn becomes
// the next seed.
int32_t reseededRandom(uint32_t index, uint32_t& seed);
