// songs: the bundled disk's music.
//
// Each function builds one piece from fixed data and fixed seeds, so every run
// yields the same song. `tiny` builds a 3-second cut of the same piece for tests
// and soak disks.
#pragma once
#include <vector>

#include "tools/compose/tracker.h"

namespace compose {

constexpr int STREAM_RATE = 44100;

// "Neon Cartridge": 4-channel ProTracker chiptune in A minor, 125 BPM.
Song composeChipSong(bool tiny);

// "Pixel Parade": 4-channel ProTracker shuffle in G major, 125 BPM.
Song composeParadeSong(bool tiny);

// "Glass Harbour": 10-channel FastTracker 2 piece in C major, 118 BPM.
Song composeHarbourSong(bool tiny);

// "Afterglow Drive": synthwave in F minor, 100 BPM, rendered to interleaved
// stereo at STREAM_RATE.
std::vector<float> renderDriveStream(bool tiny);

}  // namespace compose
