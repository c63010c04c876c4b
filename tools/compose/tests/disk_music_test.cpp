// The bundled disk: its content file, the committed music, and the pieces the
// tool builds. Runs from the repository root.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <fstream>
#include <sstream>

#include "tools/compose/analyse.h"
#include "tools/compose/disk_music.h"
#include "tools/compose/module_writer.h"
#include "tools/compose/songs.h"

namespace compose {
namespace {

constexpr double MIN_SECONDS = 60, MAX_SECONDS = 180;

std::vector<std::string> readLines(const std::string& path, std::string* raw)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    *raw = content.str();
    std::vector<std::string> lines;
    std::string line;
    std::istringstream stream(*raw);
    while (std::getline(stream, line))
        lines.push_back(line);
    return lines;
}

const TrackFile& track(const std::string& name)
{
    for (const TrackFile& file : diskTracks())
        if (name == file.name)
            return file;
    throw std::runtime_error("no track " + name);
}

std::vector<uint8_t> build(const std::string& name, bool tiny)
{
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(buildTrack(track(name), tiny, &bytes, &error)) << error;
    return bytes;
}

std::vector<std::string> moduleNames()
{
    std::vector<std::string> names;
    for (const TrackFile& file : diskTracks())
        if (!std::string(file.name).ends_with(".ogg"))
            names.push_back(file.name);
    return names;
}

bool usesEffect(const Song& song, uint8_t effect)
{
    for (int order : song.orders)
        for (const Cell& cell : song.patterns[size_t(order)].cells)
            if (cell.effect == effect)
                return true;
    return false;
}

TEST(DiskContent, ContentFileListsEveryTrackAndAReadableText)
{
    std::string raw;
    std::vector<std::string> lines = readLines("data/disk.cfg", &raw);
    ASSERT_FALSE(lines.empty()) << "data/disk.cfg missing";
    EXPECT_EQ(raw.find('\r'), std::string::npos) << "LF line ends only";
    int count = std::stoi(lines[0]);
    ASSERT_EQ(count, int(diskTracks().size()));
    for (const TrackFile& file : diskTracks())
        EXPECT_NE(raw.find(std::string("\n") + file.name + "\n"), std::string::npos) << file.name << " not listed";
    ASSERT_GT(int(lines.size()), 1 + 3 * count);
    for (int i = 0; i < count; ++i) {
        const std::string& type = lines[size_t(1 + 3 * i)];
        const std::string& file = lines[size_t(2 + 3 * i)];
        const std::string& title = lines[size_t(3 + 3 * i)];
        EXPECT_TRUE(type == "mod" || type == "stream") << type;
        EXPECT_EQ(type == "stream", file.ends_with(".ogg")) << file;
        EXPECT_TRUE(std::ifstream("data/music/" + file).good()) << file;
        EXPECT_FALSE(title.empty());
        lines.push_back(title);  // titles obey the same character rule as the text
    }
    for (size_t i = size_t(1 + 3 * count); i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), 35u) << "line " << i << " would wrap: " << lines[i];
        for (char c : lines[i]) {
            int upper = std::toupper(static_cast<unsigned char>(c));
            EXPECT_TRUE(upper >= ' ' && upper <= 'Z') << "undrawable '" << c << "' in: " << lines[i];
        }
    }
}

TEST(DiskMusic, CommittedModulesAreWhatTheToolBuilds)
{
    for (const std::string& name : moduleNames()) {
        std::vector<uint8_t> committed;
        std::string error;
        ASSERT_TRUE(readWholeFile("data/music/" + name, &committed, &error)) << error;
        EXPECT_TRUE(build(name, false) == committed) << name << " is stale: run compose data/music";
    }
}

TEST(DiskMusic, CommittedStreamIsAPieceOfTheRightLength)
{
    TrackStats stats;
    std::string error;
    ASSERT_TRUE(analyseFile("data/music/afterglow_drive.ogg", &stats, &error)) << error;
    EXPECT_GE(stats.seconds, MIN_SECONDS);
    EXPECT_LE(stats.seconds, MAX_SECONDS);
    EXPECT_LT(stats.peak, 0.99f);
    EXPECT_GT(stats.rms, 0.08f);
    std::ifstream file("data/music/afterglow_drive.ogg", std::ios::binary | std::ios::ate);
    EXPECT_LT(file.tellg(), 2 * 1024 * 1024);
}

TEST(DiskMusic, ProTrackerPiecesAreClassicFourChannelMods)
{
    for (std::string name : {"neon_cartridge.mod", "pixel_parade.mod"}) {
        SCOPED_TRACE(name);
        Song song = name == "neon_cartridge.mod" ? composeChipSong(false) : composeParadeSong(false);
        std::vector<uint8_t> bytes = build(name, false);
        ASSERT_GT(bytes.size(), 1084u);
        EXPECT_EQ(std::string(bytes.begin() + 1080, bytes.begin() + 1084), "M.K.");
        EXPECT_LT(bytes.size(), 200u * 1024);
        EXPECT_GE(song.instruments.size(), 6u);
        EXPECT_FALSE(usesEffect(song, FX_POSITION_JUMP)) << "must play once, not loop";
    }
}

TEST(DiskMusic, XmPieceUsesMoreChannelsAndEnvelopes)
{
    Song song = composeHarbourSong(false);
    EXPECT_GT(song.channels, 4);
    int withEnvelope = 0;
    for (const Instrument& instrument : song.instruments)
        withEnvelope += !instrument.volumeEnvelope.points.empty();
    EXPECT_GE(withEnvelope, 4);
    EXPECT_FALSE(usesEffect(song, FX_POSITION_JUMP)) << "must play once, not loop";
    EXPECT_LT(build("glass_harbour.xm", false).size(), 200u * 1024);
}

// Renders each module once through: it must load cleanly, end on its own within
// the disk's length limits, stay clear of clipping, and give the equalizer's
// low bins something to show on its loud parts.
TEST(DiskMusic, ModulesPlayOnceCleanlyAndMoveTheEqualizer)
{
    for (const std::string& name : moduleNames()) {
        SCOPED_TRACE(name);
        std::vector<float> stereo;
        std::vector<std::string> warnings;
        std::string error;
        ASSERT_TRUE(renderModule(build(name, false), &stereo, &warnings, &error)) << error;
        for (const std::string& warning : warnings)
            ADD_FAILURE() << "libopenmpt: " << warning;
        TrackStats stats = measureTrack(stereo, ANALYSIS_RATE);
        EXPECT_GE(stats.seconds, MIN_SECONDS);
        EXPECT_LE(stats.seconds, MAX_SECONDS);
        EXPECT_LT(stats.peak, 0.95f);
        for (int bin = 0; bin < EQUALIZER_BINS; ++bin) {
            EXPECT_GT(stats.binP90[bin], 0.012f) << "bin " << bin;
            EXPECT_LT(stats.binP90[bin], 0.3f) << "bin " << bin;
        }
    }
}

TEST(DiskMusic, TinyCutsLastAboutThreeSecondsAndRebuildIdentically)
{
    for (const TrackFile& file : diskTracks()) {
        SCOPED_TRACE(file.name);
        std::vector<uint8_t> bytes = build(file.name, true);
        EXPECT_TRUE(bytes == build(file.name, true));
        std::string path = ::testing::TempDir() + file.tinyName;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        TrackStats stats;
        std::string error;
        ASSERT_TRUE(analyseFile(path, &stats, &error)) << error;
        EXPECT_GE(stats.seconds, 2.5);
        EXPECT_LE(stats.seconds, 3.5);
        EXPECT_GT(stats.rms, 0.05f);
    }
}

TEST(DiskMusic, UnknownTrackNamesAreRefused)
{
    std::vector<std::string> written;
    std::string error;
    EXPECT_FALSE(writeDiskMusic(::testing::TempDir(), false, {"nothing.mod"}, &written, &error));
    EXPECT_NE(error.find("nothing.mod"), std::string::npos);
    EXPECT_TRUE(written.empty());
}

}  // namespace
}  // namespace compose
