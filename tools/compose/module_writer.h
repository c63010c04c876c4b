// module_writer: turns a Song into the bytes of a ProTracker MOD or a
// FastTracker 2 XM file.
//
// MOD: 4 channels, "M.K." signature, 31 sample slots, 64-row patterns, notes in
// ProTracker's three octaves, 8-bit samples, and the format's fixed start of
// speed 6 at 125 BPM. A cell's volume and a key off become effect C (set
// volume), so such a cell cannot carry another effect.
// XM: any channel count up to 32, one sample per instrument, packed patterns,
// delta-coded 8- or 16-bit samples, linear frequency table.
//
// Both return false and say why in *error when the song does not fit the format.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/compose/tracker.h"

namespace compose {

bool writeMod(const Song& song, std::vector<uint8_t>* out, std::string* error);
bool writeXm(const Song& song, std::vector<uint8_t>* out, std::string* error);

// Sets an XM sample's relative note and finetune so that it plays at `rate` Hz
// at C-4, i.e. at its own pitch when it was made at that rate.
void setXmRate(Sample& sample, double rate);

}  // namespace compose
