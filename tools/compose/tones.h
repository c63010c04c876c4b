// tones: test tracks that each hold one steady sine, so a capture of what the
// player plays says which track it is.
#pragma once
#include <string>
#include <vector>

namespace compose {

struct ToneTrack {
    const char* name;  // file name in the music folder
    double frequency;  // Hz
};

// tone_a.wav 440 Hz, tone_b.wav 660 Hz, tone_c.wav 990 Hz.
const std::vector<ToneTrack>& toneTracks();

// Writes every tone track into `folder`: 16-bit mono WAV at 44100 Hz, `seconds`
// long, at half of full scale, with 10 ms fades at both ends.
bool writeToneTracks(const std::string& folder, double seconds, std::vector<std::string>* written, std::string* error);

}  // namespace compose
