// song_harbour: "Glass Harbour", 10-channel FastTracker 2 piece in C major, 118 BPM.
#pragma once
#include "tools/compose/tracker.h"

namespace compose {

Song composeHarbourSong(bool tiny);

}  // namespace compose
