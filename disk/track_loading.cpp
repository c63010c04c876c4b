#include "disk/track_loading.h"

#include "disk/disk_files.h"

std::string trackPath(const std::string& dataFolder, const std::string& fileLine)
{
    return dataFolder + "\\" + inDataFolder(DISK_MUSIC_FOLDER) + "\\" + fileLine;
}

audio::Handle loadTrack(audio::Audio& service, TrackType type, const std::string& path)
{
    switch (type) {
    case TrackType::Module:
        return service.musicLoad(false, path.c_str(), 0, 0,
                                 audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT,
                                 0);
    case TrackType::Stream: return service.streamCreateFile(false, path.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    case TrackType::Unsupported: break;
    }
    return 0;
}
