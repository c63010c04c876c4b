// disk_music: the list of the disk's tracks and the files they are written to.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace compose {

struct TrackFile {
    const char* name;      // file name in the music folder
    const char* tinyName;  // file name of the 3-second cut
    bool (*build)(bool tiny, std::vector<uint8_t>* bytes, std::string* error);
};

const std::vector<TrackFile>& diskTracks();

// Builds one track's file (the full piece or its tiny cut).
bool buildTrack(const TrackFile& track, bool tiny, std::vector<uint8_t>* bytes, std::string* error);

// Writes the named tracks (all when `names` is empty) into `folder`.
bool writeDiskMusic(const std::string& folder, bool tiny, const std::vector<std::string>& names,
                    std::vector<std::string>* written, std::string* error);

}  // namespace compose
