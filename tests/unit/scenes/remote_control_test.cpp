// Remote control on the fake platform: the media commands, volume, raise and quit
// as the window procedure receives them, and the now-playing state the main loop
// hands the os service.
#include <string>
#include <utility>
#include <vector>

#include "app/window.h"
#include "scene_fixture.h"

namespace {

using Calls = std::vector<std::string>;
using Operation = void (MusicLibrary::*)();

enum State { PLAYING, PAUSED, STOPPED };
const char* const STATE_NAMES[] = {"playing", "paused", "stopped"};

struct RemoteControl : SceneFixture {
    os::LResult send(uint32_t message, os::WParam wParam = 0, os::LParam lParam = 0)
    {
        return windowProcedure(mainWindow, message, wParam, lParam);
    }
    os::LResult command(int appCommand)
    {
        return send(os::WM_APPCOMMAND, 0, os::makeAppCommandParam(appCommand, os::FAPPCOMMAND_OEM));
    }

    // Track 1 current (so both skips move away from the ends), in the given state.
    void enterState(State state)
    {
        musicLibrary.nextTrack();
        if (state == PAUSED)
            musicLibrary.togglePause();
        if (state == STOPPED)
            musicLibrary.stopAndRewind();
        platform.log().clear();
    }

    // The calls that act on the music: the state query a command makes first is
    // its own business.
    Calls actions()
    {
        Calls out;
        for (const std::string& call : platform.log().calls)
            if (call.rfind("audio.channelIsActive", 0) != 0)
                out.push_back(call);
        platform.log().clear();
        return out;
    }
};

struct TableRow {
    int command;
    const char* name;
    Operation byState[3];  // null: nothing happens
};

const TableRow TABLE[] = {
    {os::APPCOMMAND_MEDIA_PLAY, "Play", {nullptr, &MusicLibrary::play, &MusicLibrary::play}},
    {os::APPCOMMAND_MEDIA_PAUSE, "Pause", {&MusicLibrary::togglePause, nullptr, nullptr}},
    {os::APPCOMMAND_MEDIA_PLAY_PAUSE, "PlayPause", {&MusicLibrary::togglePause, &MusicLibrary::play, &MusicLibrary::play}},
    {os::APPCOMMAND_MEDIA_STOP, "Stop", {&MusicLibrary::stopAndRewind, &MusicLibrary::stopAndRewind, nullptr}},
    {os::APPCOMMAND_MEDIA_NEXTTRACK, "Next", {&MusicLibrary::nextTrack, &MusicLibrary::nextTrack, &MusicLibrary::nextTrack}},
    {os::APPCOMMAND_MEDIA_PREVIOUSTRACK, "Previous",
     {&MusicLibrary::previousTrack, &MusicLibrary::previousTrack, &MusicLibrary::previousTrack}},
};

// Each command in each state does what the operation of the table does from the
// same starting point: the same audio calls, the same track and play flag.
TEST_F(RemoteControl, EachCommandInEachStateRunsTheOperationOfTheTable)
{
    const auto startChannels = platform.audio.channels;
    const MusicLibrary start = musicLibrary;
    for (const TableRow& row : TABLE) {
        for (State state : {PLAYING, PAUSED, STOPPED}) {
            SCOPED_TRACE(std::string(row.name) + " while " + STATE_NAMES[state]);
            platform.audio.channels = startChannels;
            musicLibrary = start;
            enterState(state);
            auto channels = platform.audio.channels;
            MusicLibrary before = musicLibrary;

            EXPECT_EQ(command(row.command), 1) << "handled";
            Calls remote = actions();
            MusicLibrary after = musicLibrary;

            platform.audio.channels = channels;
            musicLibrary = before;
            if (Operation operation = row.byState[state])
                (musicLibrary.*operation)();
            EXPECT_EQ(remote, actions());
            EXPECT_EQ(after.currentTrack, musicLibrary.currentTrack);
            EXPECT_EQ(after.isPlaying, musicLibrary.isPlaying);
            if (!row.byState[state]) {
                EXPECT_TRUE(remote.empty());
            }
        }
    }
}

TEST_F(RemoteControl, SkipsWrapAroundAndKeepThePlayState)
{
    command(os::APPCOMMAND_MEDIA_PREVIOUSTRACK);
    EXPECT_EQ(musicLibrary.currentTrack, 2);
    EXPECT_EQ(musicLibrary.playbackStatus(), os::PlaybackStatus::Playing);
    command(os::APPCOMMAND_MEDIA_NEXTTRACK);
    EXPECT_EQ(musicLibrary.currentTrack, 0);
    command(os::APPCOMMAND_MEDIA_PAUSE);
    EXPECT_EQ(musicLibrary.playbackStatus(), os::PlaybackStatus::Paused);
    command(os::APPCOMMAND_MEDIA_NEXTTRACK);
    EXPECT_EQ(musicLibrary.currentTrack, 1);
    EXPECT_EQ(musicLibrary.playbackStatus(), os::PlaybackStatus::Stopped) << "a skip while paused only moves";
}

TEST_F(RemoteControl, OtherCommandsGoToTheDefaultProcedure)
{
    EXPECT_EQ(command(8), 0);  // APPCOMMAND_VOLUME_MUTE: the desktop's business
    EXPECT_EQ(platform.log().count("os.defaultWindowProcedure 0x319"), 1u);
}

TEST_F(RemoteControl, VolumeGoesToTheLevelAsTheButtonsSetIt)
{
    send(os::WM_APP_SETVOLUME, 3);
    EXPECT_EQ(musicLibrary.volumeLevel, 3);
    EXPECT_EQ(platform.audio.volume, 30u);
    send(os::WM_APP_SETVOLUME, 250);
    EXPECT_EQ(musicLibrary.volumeLevel, 10);
    EXPECT_EQ(platform.audio.volume, 100u);
    send(os::WM_APP_SETVOLUME, 0);
    EXPECT_EQ(platform.audio.volume, 0u);
}

TEST_F(RemoteControl, RaiseRestoresAMinimisedWindow)
{
    os::os().showWindow(mainWindow, os::SW_MINIMIZE);
    send(os::WM_APP_RAISE);
    EXPECT_FALSE(fake::fakeWindow(mainWindow)->minimized);
    EXPECT_TRUE(fake::fakeWindow(mainWindow)->visible);
}

TEST_F(RemoteControl, NothingActsOnceAScreenIsClosing)
{
    show(MAIN_SCENE);
    player->close();
    platform.log().clear();
    for (const TableRow& row : TABLE)
        EXPECT_EQ(command(row.command), 1) << row.name << " is swallowed";
    send(os::WM_APP_SETVOLUME, 2);
    send(os::WM_APP_QUIT);
    EXPECT_EQ(actions(), Calls{});
    EXPECT_EQ(musicLibrary.volumeLevel, 4);
}

TEST_F(RemoteControl, WithoutTracksCommandsDoNothingAndNothingPlays)
{
    musicLibrary = MusicLibrary{};
    platform.log().clear();
    for (const TableRow& row : TABLE)
        command(row.command);
    send(os::WM_APP_SETVOLUME, 5);
    EXPECT_EQ(platform.log().count("audio."), 0u);
    EXPECT_EQ(musicLibrary.playbackStatus(), os::PlaybackStatus::Stopped);
}

// ---- Through the main loop ------------------------------------------------------

// The disk's screens run by the main loop in 20 ms frames of simulated time; the
// script posts messages at the start of a frame's pump.
struct RemoteRun : RemoteControl {
    int frameCount = 0;
    std::vector<std::pair<int, std::function<void()>>> script;

    RemoteRun()
    {
        app.createScenes = scenesWithoutDisk;
        platform.os.onPump = [this] {
            platform.os.ticks += 20;
            ++frameCount;
            for (auto& [at, action] : script)
                if (at == frameCount)
                    action();
            if (frameCount == 1000)
                platform.os.post(mainWindow, os::WM_CLOSE);
        };
    }
    void at(int frame, std::function<void()> action) { script.push_back({frame, std::move(action)}); }
    void postAt(int frame, uint32_t message, os::WParam wParam = 0, os::LParam lParam = 0)
    {
        at(frame, [=, this] { platform.os.post(mainWindow, message, wParam, lParam); });
    }
    void commandAt(int frame, int appCommand)
    {
        postAt(frame, os::WM_APPCOMMAND, 0, os::makeAppCommandParam(appCommand, os::FAPPCOMMAND_OEM));
    }
    void keyAt(int frame, uint32_t key)
    {
        postAt(frame, os::WM_KEYDOWN, key);
        postAt(frame + 1, os::WM_KEYUP, key);
    }
};

struct QuitCase {
    const char* screen;
    int quitFrame;
    uint32_t key;  // pressed 60 frames earlier to reach the screen, or 0
};

struct QuitRun : RemoteRun, testing::WithParamInterface<QuitCase> {};

// Quit ends the run the way Escape on the player does, whichever screen shows:
// the screen and the music fade out over a second, the music stops, the volume
// goes back, and the loop ends.
TEST_P(QuitRun, FadesOutWithTheMusicAndEnds)
{
    const QuitCase& c = GetParam();
    if (c.key)
        keyAt(c.quitFrame - 60, c.key);
    postAt(c.quitFrame, os::WM_APP_QUIT);
    postAt(c.quitFrame + 20, os::WM_APP_QUIT);  // a second one changes nothing
    app.run();
    EXPECT_GT(frameCount, c.quitFrame + 45) << "after a one-second fade";
    EXPECT_LT(frameCount, c.quitFrame + 60);
    EXPECT_EQ(platform.audio.volume, 40u);
    EXPECT_EQ(platform.audio.channel(1)->state, audio::ACTIVE_STOPPED);
    long stop = platform.log().find("audio.channelStop 1");
    ASSERT_GE(stop, 0);
    EXPECT_EQ(platform.log().calls[size_t(stop + 1)], "os.sleep 10");
}

INSTANTIATE_TEST_SUITE_P(EveryScreen, QuitRun,
                         testing::Values(QuitCase{"logo", 50, 0}, QuitCase{"intro", 200, 0},
                                         QuitCase{"player", 400, 0}, QuitCase{"about", 460, 'A'},
                                         QuitCase{"information", 460, 'I'}),
                         [](const testing::TestParamInfo<QuitCase>& info) { return std::string(info.param.screen); });

struct Published {
    int32_t track;
    os::PlaybackStatus status;
    int32_t volume;
    bool operator==(const Published&) const = default;
};

// Every change reaches the os service in the frame that made it, whatever made
// it: a remote command, a key, a track ending by itself, a volume set.
TEST_F(RemoteRun, EveryChangeIsPublished)
{
    using enum os::PlaybackStatus;
    platform.audio.channel(2)->length = uint64_t(3 * fake::FakeAudio::BYTES_PER_SECOND);
    commandAt(400, os::APPCOMMAND_MEDIA_NEXTTRACK);
    at(410, [this] { platform.audio.channel(2)->position = uint64_t(fake::FakeAudio::BYTES_PER_SECOND / 2); });
    keyAt(420, 'P');
    commandAt(440, os::APPCOMMAND_MEDIA_PLAY);
    at(460, [this] { platform.audio.channel(2)->state = audio::ACTIVE_STOPPED; });
    postAt(480, os::WM_APP_SETVOLUME, 7);
    keyAt(500, os::VK_RETURN);
    postAt(520, os::WM_CLOSE);
    app.run();

    std::vector<Published> changes;
    for (const fake::NowPlayingRecord& record : platform.os.nowPlaying) {
        Published now = {record.track, record.status, record.volumeLevel};
        if (changes.empty() || !(changes.back() == now))
            changes.push_back(now);
        EXPECT_EQ(record.trackCount, 3);
        EXPECT_EQ(record.title, musicLibrary.titles[size_t(record.track)]);
    }
    std::vector<Published> expected = {{0, Playing, 4}, {1, Playing, 4}, {1, Paused, 4}, {1, Playing, 4},
                                       {2, Playing, 4}, {2, Playing, 7}, {2, Stopped, 7}};
    EXPECT_EQ(changes, expected);
    EXPECT_EQ(platform.os.nowPlaying.size(), size_t(frameCount)) << "once a frame";

    // Track 1's length and position, in microseconds, while it was current.
    auto onTrack1 = [&](const fake::NowPlayingRecord& r) { return r.track == 1; };
    auto first = std::find_if(platform.os.nowPlaying.begin(), platform.os.nowPlaying.end(), onTrack1);
    ASSERT_NE(first, platform.os.nowPlaying.end());
    EXPECT_EQ(first->lengthMicros, 3000000);
    EXPECT_EQ(first->positionMicros, 0);
    auto later = std::find_if(platform.os.nowPlaying.rbegin(), platform.os.nowPlaying.rend(), onTrack1);
    EXPECT_EQ(later->positionMicros, 500000);
    EXPECT_EQ(platform.os.nowPlaying.back().lengthMicros, -1) << "track 2's length is not known";
}

TEST_F(RemoteRun, ADiskWithoutTracksPublishesNothingToControl)
{
    musicLibrary = MusicLibrary{};
    postAt(5, os::WM_CLOSE);
    app.run();
    ASSERT_FALSE(platform.os.nowPlaying.empty());
    EXPECT_EQ(platform.os.nowPlaying.back().trackCount, 0);
    EXPECT_EQ(platform.os.nowPlaying.back().status, os::PlaybackStatus::Stopped);
}

} // namespace
