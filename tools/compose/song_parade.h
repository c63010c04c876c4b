// song_parade: "Pixel Parade", 4-channel ProTracker shuffle in G major, 125 BPM.
#pragma once
#include "tools/compose/tracker.h"

namespace compose {

Song composeParadeSong(bool tiny);

}  // namespace compose
