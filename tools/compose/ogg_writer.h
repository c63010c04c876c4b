// ogg_writer: encodes rendered stereo audio as Ogg Vorbis through libsndfile.
//
// libsndfile picks the Ogg stream's serial number from the clock, so the same
// audio would give different bytes on every run; the writer rewrites each page
// with a fixed serial (and its checksum) to keep the output reproducible.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace compose {

// quality: Vorbis VBR quality 0..1 (0.4 is about 128 kbit/s for stereo).
bool encodeOggVorbis(const std::vector<float>& stereo, int rate, double quality, std::vector<uint8_t>* out,
                     std::string* error);

// Sets the serial number of every page of an Ogg stream and recomputes the page
// checksums. False if the bytes are not a sequence of whole Ogg pages.
bool setOggSerial(std::vector<uint8_t>& bytes, uint32_t serial);

}  // namespace compose
