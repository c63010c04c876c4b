// song_drive: "Afterglow Drive", synthwave in F minor, 100 BPM, rendered to
// interleaved stereo at STREAM_RATE.
#pragma once
#include <vector>

namespace compose {

constexpr int STREAM_RATE = 44100;

std::vector<float> renderDriveStream(bool tiny);

}  // namespace compose
