#include "disk/track_loading.h"

#include "disk/disk_files.h"

std::string trackPath(const std::string& dataFolder, const std::string& fileLine)
{
    return dataFolder + "\\" + inDataFolder(DISK_MUSIC_FOLDER) + "\\" + fileLine;
}

static constexpr uint32_t MODULE_FLAGS =
    audio::MUSIC_POSRESET | audio::MUSIC_FT2MOD | audio::MUSIC_RAMP | audio::SAMPLE_FLOAT;

audio::Handle loadTrack(audio::Audio& service, TrackType type, const std::string& path)
{
    switch (type) {
    case TrackType::Module: return service.musicLoad(false, path.c_str(), 0, 0, MODULE_FLAGS, 0);
    case TrackType::Stream: return service.streamCreateFile(false, path.c_str(), 0, 0, audio::SAMPLE_FLOAT);
    case TrackType::Unsupported: break;
    }
    return 0;
}

// The records as start-up reads them: a count, then type, file and title lines.
std::vector<audio::ModuleFile> moduleFiles(const char* contentFile, const std::string& dataFolder)
{
    std::vector<audio::ModuleFile> modules;
    DiskConfig config;
    if (!config.open(contentFile))
        return modules;
    const int32_t count = config.readTrackCount();
    for (int32_t i = 0; i < count; ++i) {
        const std::string typeLine = config.readLine();
        const std::string fileLine = config.readLine();
        config.readLine();
        if (trackTypeOf(typeLine) == TrackType::Module)
            modules.push_back({trackPath(dataFolder, fileLine), MODULE_FLAGS});
    }
    return modules;
}
