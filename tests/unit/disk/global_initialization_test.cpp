// Start-up and shutdown of the disk content: the order of the service calls and
// messages, and what they leave in musicLibrary, for content files written to a
// temporary folder that serves as the working directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/input_state.h"
#include "app/render_device.h"
#include "disk/global_initialization.h"
#include "disk/music_library.h"
#include "disk/track_loading.h"
#include "gui/draw.h"
#include "gui/gui_renderer.h"
#include "platform/fake/fake_platform.h"

namespace {

using Calls = std::vector<std::string>;

const std::string VERSION_MESSAGE = "os.messageBox unowned Quorvatelle|An incorrect version of BASS.DLL was loaded 0";
const std::string UNSUPPORTED_MESSAGE = "os.messageBox unowned Quorvatelle|Unsupported song type 0";
const std::string FAILED_MESSAGE = "os.messageBox unowned Quorvatelle|Failed to load music file. Sorry. 0";

class GlobalInitializationTest : public testing::Test {
protected:
    fake::FakePlatform platform;
    std::filesystem::path previousFolder;
    std::string folder;

    void SetUp() override
    {
        char name[] = "/tmp/global_initialization_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        folder = name;
        std::filesystem::create_directory(folder + "/data");
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder);
        musicLibrary = MusicLibrary{};
        skinTexture = nullptr;
    }
    void TearDown() override
    {
        std::filesystem::current_path(previousFolder);
        std::filesystem::remove_all(folder);
        musicLibrary = MusicLibrary{};
        skinTexture = nullptr;
        RenderDevice::destroy();
    }

    static void writeDisk(const std::string& text) { std::ofstream("data/disk.cfg", std::ios::binary) << text; }

    // Start-up on an existing device, with the log cleared after the device.
    std::unique_ptr<GlobalInitializationScene> startUp()
    {
        RenderDevice::instance();
        platform.log().clear();
        return std::make_unique<GlobalInitializationScene>();
    }

    // The start-up calls a test looks at: audio, messages and textures.
    Calls contentCalls()
    {
        Calls out;
        for (const std::string& call : platform.log().calls)
            if (call.rfind("audio.", 0) == 0 || call.rfind("os.messageBox", 0) == 0 ||
                call.rfind("gpu.createTextureFromFile", 0) == 0 || call.rfind("gpu.release texture", 0) == 0)
                out.push_back(call);
        return out;
    }
};

TEST_F(GlobalInitializationTest, StartUpLoadsEverythingInOrderAndStartsTheFirstTrack)
{
    writeDisk("2\nmod\nfirst.xm\nFirst Light\nstream\nsecond.ogg\nSecond Wind\nTHANKS FOR LISTENING TO THIS DISK AND WARM\n\nBYE\n");
    platform.audio.volume = 47;
    std::unique_ptr<GlobalInitializationScene> scene = startUp();

    EXPECT_EQ(contentCalls(), (Calls{"gpu.createTextureFromFile data/velta.png", "audio.getVersion",
                                     "audio.init -1 44100 0 null null",
                                     "audio.musicLoad file data\\music\\first.xm 0 0 41728 0",
                                     "audio.streamCreateFile file data\\music\\second.ogg 0 0 256",
                                     "audio.channelPlay 1 0", "audio.getVolume"}));
    EXPECT_FALSE(scene->active);
    ASSERT_NE(skinTexture, nullptr);
    EXPECT_EQ(platform.gpu.resource(skinTexture)->path, "data/velta.png");

    const MusicLibrary& library = musicLibrary;
    EXPECT_EQ(library.trackCount, 2);
    EXPECT_EQ(library.channels, (std::vector<audio::Handle>{1, 2}));
    EXPECT_EQ(library.titles, (std::vector<std::string>{"First Light", "Second Wind"}));
    EXPECT_EQ(library.titleWidths, (std::vector<float>{measureText("First Light", 0.03f),
                                                        measureText("Second Wind", 0.03f)}));
    EXPECT_EQ(library.titleScroll, (std::vector<float>{-0.4f, -0.4f}));
    EXPECT_EQ(library.currentTrack, 0);
    EXPECT_TRUE(library.isPlaying);
    EXPECT_EQ(library.volumeLevel, 4);
    EXPECT_EQ(library.titleScrollSpeed, 0.07f);
    const char* scroll = "THANKS FOR LISTENING TO THIS DISK AND WARM\n\nBYE\n";
    EXPECT_EQ(library.scrollText, scroll);
    // Three lines: the first one's last blank comes at 0.72, within the wrap width.
    EXPECT_EQ(library.scrollTextHeight, measureTextBoxHeight(scroll, 0.033f, 0.75f));
    EXPECT_NEAR(library.scrollTextHeight, -3 * 0.033 * 2.6, 1e-6);
    EXPECT_EQ(platform.audio.channel(1)->state, audio::ACTIVE_PLAYING);
    EXPECT_TRUE(platform.os.messageBoxes.empty());
}

// main() has the audio service load the disk's modules while the window opens;
// they help only if they are the very loads start-up then asks for.
TEST_F(GlobalInitializationTest, TheModulesListedAheadAreTheLoadsStartUpMakes)
{
    writeDisk("5\nmod\nfirst.xm\nFirst\nstream\nsecond.ogg\nSecond\nMod\nodd.xm\nOdd\nmod\nfourth.it\nFourth\n"
              "mod\nfifth.mod\nFifth\nThe end.\n");
    std::unique_ptr<GlobalInitializationScene> scene = startUp();
    Calls loads;
    for (const std::string& call : platform.log().calls)
        if (call.rfind("audio.musicLoad", 0) == 0)
            loads.push_back(call);
    Calls listed;
    for (const audio::ModuleFile& module : moduleFiles(DISK_CONTENT_FILE, DISK_DATA_FOLDER))
        listed.push_back("audio.musicLoad file " + module.path + " 0 0 " + std::to_string(module.flags) + " 0");
    EXPECT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed, loads);
    EXPECT_TRUE(moduleFiles("data/none.cfg", DISK_DATA_FOLDER).empty());
}

TEST_F(GlobalInitializationTest, FailuresAreReportedInOrderAndStartUpGoesOn)
{
    // Another library version; a type in the wrong case; a file that does not load;
    // a good track; and a record cut short by the end of the file.
    writeDisk("4\nMod\nodd.xm\nOdd\nmod\nbroken.xm\nBroken\nstream\ngood.ogg\nGood\nmod");
    platform.audio.version = 0x02040000;
    platform.audio.failingPaths.insert("data\\music\\broken.xm");
    platform.audio.failingPaths.insert("data\\music\\");  // the folder itself
    std::unique_ptr<GlobalInitializationScene> scene = startUp();

    EXPECT_EQ(contentCalls(),
              (Calls{"gpu.createTextureFromFile data/velta.png", "audio.getVersion", VERSION_MESSAGE,
                     "audio.init -1 44100 0 null null", UNSUPPORTED_MESSAGE, FAILED_MESSAGE,
                     "audio.musicLoad file data\\music\\broken.xm 0 0 41728 0", FAILED_MESSAGE,
                     "audio.streamCreateFile file data\\music\\good.ogg 0 0 256",
                     "audio.musicLoad file data\\music\\ 0 0 41728 0", FAILED_MESSAGE,
                     "audio.channelPlay 0 0", "audio.getVolume"}));
    const MusicLibrary& library = musicLibrary;
    EXPECT_EQ(library.channels, (std::vector<audio::Handle>{0, 0, 1, 0}));
    EXPECT_EQ(library.titles, (std::vector<std::string>{"Odd", "Broken", "Good", ""}));
    EXPECT_EQ(library.titleWidths[3], 0.0f);
    EXPECT_EQ(library.scrollText, "");
    EXPECT_EQ(library.scrollTextHeight, 0.0f);
    // The first track has no channel: it is still current and meant to play, so the
    // first end-of-track check moves on to the next track.
    EXPECT_EQ(library.currentTrack, 0);
    EXPECT_TRUE(library.isPlaying);
}

// Without sound the disk still starts: every track is reported as not loaded
// (the first few), keeps its title, and nothing plays.
TEST_F(GlobalInitializationTest, AudioThatCannotStartReportsTheTracks)
{
    writeDisk("2\nmod\na.mod\nA\nstream\nb.ogg\nB\nTEXT\n");
    platform.audio.failInit = true;
    std::unique_ptr<GlobalInitializationScene> scene = startUp();
    EXPECT_EQ(contentCalls(),
              (Calls{"gpu.createTextureFromFile data/velta.png", "audio.getVersion", "audio.init -1 44100 0 null null",
                     "audio.musicLoad file data\\music\\a.mod 0 0 41728 0", FAILED_MESSAGE,
                     "audio.streamCreateFile file data\\music\\b.ogg 0 0 256", FAILED_MESSAGE,
                     "audio.channelPlay 0 0", "audio.getVolume"}));
    EXPECT_EQ(musicLibrary.channels, (std::vector<audio::Handle>{0, 0}));
    EXPECT_EQ(musicLibrary.titles, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(musicLibrary.scrollText, "TEXT\n");
}

// A count far past the records makes every scroll line a failing track: only the
// first few failures are reported, the rest are loaded (and fail) silently.
TEST_F(GlobalInitializationTest, FailedTracksBeyondAFewAreNotReported)
{
    std::string text = "900\nmod\ngood.mod\nGood\n";
    for (int line = 0; line < 2000; ++line)
        text += "SCROLL LINE " + std::to_string(line) + "\n";
    writeDisk(text);
    std::unique_ptr<GlobalInitializationScene> scene = startUp();

    EXPECT_GT(musicLibrary.trackCount, 600);
    EXPECT_EQ(platform.os.messageBoxes.size(), 2u * MAX_REPORTED_TRACK_FAILURES);
    EXPECT_EQ(contentCalls()[4], UNSUPPORTED_MESSAGE);
    EXPECT_EQ(musicLibrary.channels[0], 1u);
}

TEST_F(GlobalInitializationTest, MissingContentFileGivesASilentDiskWithoutTracks)
{
    platform.audio.volume = 100;
    std::unique_ptr<GlobalInitializationScene> scene = startUp();
    EXPECT_EQ(contentCalls(), (Calls{"gpu.createTextureFromFile data/velta.png", "audio.getVersion",
                                     "audio.init -1 44100 0 null null", "audio.getVolume"}));
    const MusicLibrary& library = musicLibrary;
    EXPECT_EQ(library.trackCount, 0);
    EXPECT_TRUE(library.channels.empty());
    EXPECT_TRUE(library.scrollText.empty());
    EXPECT_EQ(library.scrollTextHeight, 0.0f);
    EXPECT_FALSE(library.isPlaying);
    EXPECT_EQ(library.volumeLevel, 10);

    // The playback operations and shutdown cope with no tracks.
    InputState::instance().previousKeys[os::VK_RETURN] = 1;
    musicLibrary.handlePlaybackKeys();
    musicLibrary.nextTrack();
    InputState::destroy();
    const std::string texture = "gpu.release texture " + std::to_string(platform.gpu.resource(skinTexture)->id);
    platform.log().clear();
    scene.reset();
    EXPECT_EQ(contentCalls(), (Calls{texture, "audio.free"}));
}

TEST_F(GlobalInitializationTest, CountOfZeroStillReadsTheScrollText)
{
    writeDisk("0\nONLY WORDS\n");
    std::unique_ptr<GlobalInitializationScene> scene = startUp();
    EXPECT_EQ(musicLibrary.trackCount, 0);
    EXPECT_EQ(musicLibrary.scrollText, "ONLY WORDS\n");
    EXPECT_EQ(platform.log().count("audio.channelPlay"), 0u);
    EXPECT_TRUE(platform.os.messageBoxes.empty());
}

TEST_F(GlobalInitializationTest, AtlasIsSkippedWithoutADeviceAndMayBeMissing)
{
    writeDisk("1\nmod\na.mod\nA\n");
    platform.gpu.missingFiles.insert("data/velta.png");
    std::unique_ptr<GlobalInitializationScene> scene = startUp();
    EXPECT_EQ(skinTexture, nullptr);
    EXPECT_TRUE(platform.os.messageBoxes.empty());
    EXPECT_EQ(platform.log().count("audio.channelPlay 1 0"), 1u);
    scene.reset();
    EXPECT_EQ(platform.log().count("gpu.release texture"), 0u);

    RenderDevice::destroy();
    platform.gpu.failures["createDevice"] = gpu::E_FAIL;
    platform.gpu.missingFiles.clear();
    scene = startUp();
    EXPECT_EQ(platform.log().count("gpu.createTextureFromFile"), 0u);
    EXPECT_EQ(skinTexture, nullptr);
    EXPECT_EQ(musicLibrary.trackCount, 1);
}

TEST_F(GlobalInitializationTest, VolumeLevelIsTheStartVolumeInTenths)
{
    writeDisk("1\nmod\na.mod\nA\n");
    for (auto [volume, level] : {std::pair{0u, 0}, {9u, 0}, {10u, 1}, {99u, 9}, {100u, 10}, {0xFFFFFFFFu, 10}}) {
        platform.audio.volume = volume;
        GlobalInitializationScene scene;
        EXPECT_EQ(musicLibrary.volumeLevel, level) << volume;
    }
}

TEST_F(GlobalInitializationTest, ShutdownFreesEveryTrackThenTheAtlasThenTheAudio)
{
    writeDisk("3\nmod\na.mod\nA\nstream\nmissing.ogg\nB\nstream\nc.ogg\nC\n");
    platform.audio.failingPaths.insert("data\\music\\missing.ogg");
    std::unique_ptr<GlobalInitializationScene> scene = startUp();
    const std::string texture = "gpu.release texture " + std::to_string(platform.gpu.resource(skinTexture)->id);
    platform.log().clear();
    scene.reset();
    EXPECT_EQ(contentCalls(),
              (Calls{"audio.musicFree 1", "audio.musicFree 0", "audio.musicFree 2", texture, "audio.free"}));
    EXPECT_EQ(skinTexture, nullptr);
    EXPECT_FALSE(platform.audio.initialized);
}

// The disk as the application runs it: start-up is the construction of scene 0,
// before the first frame; shutdown is the first thing after the last frame.
class ClosingScene : public Scene {
public:
    void enter() override { active = true; }
    void update() override { active = false; }
};

SceneList startUpAndOneFrame()
{
    SceneList scenes;
    scenes[0] = std::make_unique<GlobalInitializationScene>();
    for (uint32_t i = 1; i < SCENE_COUNT; ++i)
        scenes[i] = std::make_unique<ClosingScene>();
    return scenes;
}

TEST_F(GlobalInitializationTest, MusicStartsBeforeTheFirstFrameAndStopsBeforeTheDeviceGoes)
{
    writeDisk("1\nmod\na.mod\nA\n");
    Application& app = Application::instance();
    app.createScenes = startUpAndOneFrame;
    app.run();
    app.createScenes = createDiskScenes;

    const fake::CallLog& log = platform.log();
    long font = log.find("gpu.createTextureFromFile data/font.png");
    long play = log.find("audio.channelPlay 1 0");
    long frame = log.find("gpu.beginScene");
    long freed = log.find("audio.free");
    long device = log.find("gpu.release device");
    ASSERT_GE(font, 0);
    EXPECT_LT(font, play);
    EXPECT_LT(play, frame);
    EXPECT_LT(frame, log.find("audio.musicFree 1"));
    EXPECT_LT(log.find("audio.musicFree 1"), freed);
    EXPECT_LT(freed, device);
    EXPECT_EQ(skinTexture, nullptr);
}

} // namespace
