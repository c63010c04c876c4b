// song_chip: "Neon Cartridge", 4-channel ProTracker chiptune in A minor, 125 BPM.
#pragma once
#include "tools/compose/tracker.h"

namespace compose {

Song composeChipSong(bool tiny);

}  // namespace compose
