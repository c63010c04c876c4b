#include "tools/compose/disk_music.h"

#include <cstdio>
#include <memory>

#include "tools/compose/module_writer.h"
#include "tools/compose/ogg_writer.h"
#include "tools/compose/songs.h"

namespace compose {
namespace {

constexpr double OGG_QUALITY = 0.4;

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    bool ok = file && (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size()) &&
        std::fflush(file.get()) == 0;
    if (!ok) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool buildChip(bool tiny, std::vector<uint8_t>* bytes, std::string* error)
{
    return writeMod(composeChipSong(tiny), bytes, error);
}

bool buildParade(bool tiny, std::vector<uint8_t>* bytes, std::string* error)
{
    return writeMod(composeParadeSong(tiny), bytes, error);
}

bool buildHarbour(bool tiny, std::vector<uint8_t>* bytes, std::string* error)
{
    return writeXm(composeHarbourSong(tiny), bytes, error);
}

bool buildDrive(bool tiny, std::vector<uint8_t>* bytes, std::string* error)
{
    return encodeOggVorbis(renderDriveStream(tiny), STREAM_RATE, OGG_QUALITY, bytes, error);
}

}  // namespace

const std::vector<TrackFile>& diskTracks()
{
    static const std::vector<TrackFile> tracks = {
        {"neon_cartridge.mod", "tiny.mod", buildChip},
        {"glass_harbour.xm", "tiny.xm", buildHarbour},
        {"pixel_parade.mod", "tiny_shuffle.mod", buildParade},
        {"afterglow_drive.ogg", "tiny.ogg", buildDrive},
    };
    return tracks;
}

bool buildTrack(const TrackFile& track, bool tiny, std::vector<uint8_t>* bytes, std::string* error)
{
    return track.build(tiny, bytes, error);
}

bool writeDiskMusic(const std::string& folder, bool tiny, const std::vector<std::string>& names,
                    std::vector<std::string>* written, std::string* error)
{
    for (const std::string& name : names) {
        bool known = false;
        for (const TrackFile& track : diskTracks())
            known = known || name == track.name;
        if (!known) {
            *error = "no track named " + name;
            return false;
        }
    }
    for (const TrackFile& track : diskTracks()) {
        bool wanted = names.empty();
        for (const std::string& name : names)
            wanted = wanted || name == track.name;
        if (!wanted)
            continue;
        std::vector<uint8_t> bytes;
        std::string path = folder + "/" + (tiny ? track.tinyName : track.name);
        if (!buildTrack(track, tiny, &bytes, error) || !writeFile(path, bytes, error))
            return false;
        written->push_back(path);
    }
    return true;
}

}  // namespace compose
