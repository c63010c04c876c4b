#include "scenes/c_random.h"

#include "platform/os.h"

static uint32_t randomState = 1;

void cRandomSeed(uint32_t seed) { randomState = seed; }

// A linear congruential step modulo 2^32 (unsigned wrap-around is intended); the
// value is bits 16..30 of the new state.
int32_t cRandom()
{
    randomState = randomState * 214013u + 2531011u;
    return int32_t((randomState >> 16) & 0x7FFFu);
}

int32_t reseededRandom(uint32_t index, uint32_t& seed)
{
    cRandomSeed(os::os().tickCount() + index + seed);
    int32_t value = cRandom();
    seed = uint32_t(value);
    return value;
}
