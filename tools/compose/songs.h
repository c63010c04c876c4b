// songs: the bundled disk's music, one header per piece.
//
// Each piece is built from fixed data and fixed seeds, so every run yields the same
// song. `tiny` builds a 3-second cut of the same piece for tests and soak disks.
#pragma once

#include "tools/compose/song_chip.h"
#include "tools/compose/song_drive.h"
#include "tools/compose/song_harbour.h"
#include "tools/compose/song_parade.h"
