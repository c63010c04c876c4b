// The playback operations: audio calls in order on the fake service, and the play
// state they leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/input_state.h"
#include "disk/music_library.h"
#include "platform/fake/fake_platform.h"

namespace {

using Calls = std::vector<std::string>;

class MusicLibraryTest : public testing::Test {
protected:
    fake::FakePlatform platform;
    MusicLibrary library;

    // Three loaded tracks on channels 1, 2, 3; track 0 current and playing.
    void SetUp() override
    {
        InputState::destroy();
        platform.audio.init(-1, 44100, 0, nullptr, nullptr);
        library.allocateTracks(3);
        for (int i = 0; i < 3; ++i)
            library.channels[size_t(i)] = platform.audio.musicLoad(false, "t.mod", 0, 0, 0, 0);
        platform.audio.channelPlay(1, false);
        library.isPlaying = true;
        library.volumeLevel = 4;
        platform.log().clear();
    }
    void TearDown() override { InputState::destroy(); }

    Calls calls()
    {
        Calls out = platform.log().calls;
        platform.log().clear();
        return out;
    }

    // One frame in which the given keys were let go.
    void frameReleasing(std::initializer_list<uint8_t> keys)
    {
        InputState& input = InputState::instance();
        for (uint8_t key : keys)
            input.previousKeys[key] = 1;
        library.handlePlaybackKeys();
        input.rollOver();
    }
};

TEST_F(MusicLibraryTest, PlayStopAndPause)
{
    library.stopAndRewind();
    EXPECT_EQ(calls(), (Calls{"audio.channelStop 1", "audio.channelSetPosition 1 0"}));
    EXPECT_FALSE(library.isPlaying);
    library.play();
    EXPECT_EQ(calls(), (Calls{"audio.channelPlay 1 0"}));
    EXPECT_TRUE(library.isPlaying);
    library.togglePause();
    EXPECT_EQ(calls(), (Calls{"audio.channelPause 1"}));
    EXPECT_FALSE(library.isPlaying);
    library.togglePause();
    EXPECT_EQ(calls(), (Calls{"audio.channelPlay 1 0"}));
    EXPECT_TRUE(library.isPlaying);
    library.togglePlayStop();
    EXPECT_EQ(calls(), (Calls{"audio.channelStop 1", "audio.channelSetPosition 1 0"}));
    library.togglePlayStop();
    EXPECT_EQ(calls(), (Calls{"audio.channelPlay 1 0"}));
}

TEST_F(MusicLibraryTest, SkippingWrapsAroundBothWays)
{
    library.currentTrack = 2;
    library.nextTrack();
    EXPECT_EQ(library.currentTrack, 0);
    EXPECT_EQ(calls(), (Calls{"audio.channelStop 3", "audio.channelPlay 1 1"}));
    library.previousTrack();
    EXPECT_EQ(library.currentTrack, 2);
    EXPECT_EQ(calls(), (Calls{"audio.channelStop 1", "audio.channelPlay 3 1"}));
}

TEST_F(MusicLibraryTest, SkippingWhileStoppedMovesTheTrackAndRewindsIt)
{
    frameReleasing({os::VK_RETURN});
    calls();
    frameReleasing({os::VK_RIGHT});
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 1", "audio.channelStop 1", "audio.channelSetPosition 2 0"}));
    EXPECT_EQ(library.currentTrack, 1);
    EXPECT_FALSE(library.isPlaying);
    frameReleasing({os::VK_RETURN});
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 2", "audio.channelPlay 2 0"}));
}

// Track 1 left while playing, at a minute in; then Right, Enter (stop), Left,
// Enter: it starts from its beginning, not where it was left.
TEST_F(MusicLibraryTest, ATrackReachedByASkipStartsFromItsBeginning)
{
    platform.audio.channels[1].position = 44100 * 4 * 60;
    frameReleasing({os::VK_RIGHT});
    frameReleasing({os::VK_RETURN});
    frameReleasing({os::VK_LEFT});
    frameReleasing({os::VK_RETURN});
    EXPECT_EQ(library.currentTrack, 0);
    EXPECT_EQ(platform.audio.channels[1].state, audio::ACTIVE_PLAYING);
    EXPECT_EQ(platform.audio.channels[1].position, 0u);
    // The same after a pause: a skip away and back still lands on the beginning.
    platform.audio.channels[1].position = 4321;
    frameReleasing({'P'});
    frameReleasing({os::VK_RIGHT});
    frameReleasing({os::VK_LEFT});
    frameReleasing({'P'});
    EXPECT_EQ(platform.audio.channels[1].position, 0u);
}

TEST_F(MusicLibraryTest, PauseThenEnterResumesWhereItWas)
{
    platform.audio.channels[1].position = 4321;
    frameReleasing({'P'});
    frameReleasing({os::VK_RETURN});
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 1", "audio.channelPause 1", "audio.channelIsActive 1",
                              "audio.channelPlay 1 0"}));
    EXPECT_TRUE(library.isPlaying);
    EXPECT_EQ(platform.audio.channels[1].position, 4321u);
}

TEST_F(MusicLibraryTest, EnterTwiceRestartsFromTheBeginning)
{
    platform.audio.channels[1].position = 4321;
    frameReleasing({os::VK_RETURN});
    frameReleasing({os::VK_RETURN});
    EXPECT_EQ(platform.audio.channels[1].position, 0u);
    EXPECT_EQ(platform.audio.channels[1].state, audio::ACTIVE_PLAYING);
    EXPECT_TRUE(library.isPlaying);
}

TEST_F(MusicLibraryTest, KeysOfOneFrameActInFixedOrderAfterTheEndCheck)
{
    platform.audio.channels[1].state = audio::ACTIVE_STOPPED;
    frameReleasing({os::VK_RIGHT, os::VK_LEFT, 'P', os::VK_RETURN});
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 1", "audio.channelStop 1", "audio.channelPlay 2 1",
                              "audio.channelStop 2", "audio.channelSetPosition 2 0", "audio.channelPlay 2 0",
                              "audio.channelStop 2", "audio.channelPlay 1 1", "audio.channelStop 1",
                              "audio.channelPlay 2 1"}));
    EXPECT_EQ(library.currentTrack, 1);
}

TEST_F(MusicLibraryTest, EndedTrackAdvancesOnlyWhilePlaying)
{
    library.advanceAtTrackEnd();
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 1"}));
    library.currentTrack = 2;
    platform.audio.channels[3].state = audio::ACTIVE_STOPPED;
    library.advanceAtTrackEnd();
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 3", "audio.channelStop 3", "audio.channelPlay 1 1"}));
    EXPECT_EQ(library.currentTrack, 0);

    library.isPlaying = false;
    platform.audio.channels[1].state = audio::ACTIVE_STOPPED;
    library.advanceAtTrackEnd();
    EXPECT_EQ(library.currentTrack, 0);
    EXPECT_EQ(platform.log().count("audio.channelPlay"), 0u);
}

TEST_F(MusicLibraryTest, FailedTrackIsPassedOver)
{
    library.channels[1] = 0;
    platform.audio.channels[1].state = audio::ACTIVE_STOPPED;
    library.advanceAtTrackEnd();
    library.advanceAtTrackEnd();
    EXPECT_EQ(calls(), (Calls{"audio.channelIsActive 1", "audio.channelStop 1", "audio.channelPlay 0 1",
                              "audio.channelIsActive 0", "audio.channelStop 0", "audio.channelPlay 3 1"}));
    EXPECT_EQ(library.currentTrack, 2);
}

TEST_F(MusicLibraryTest, VolumeStepsAndClamps)
{
    library.volumeUp();
    EXPECT_EQ(library.volumeLevel, 5);
    library.volumeLevel = 10;
    library.volumeUp();
    EXPECT_EQ(library.volumeLevel, 10);
    library.volumeLevel = 5;
    library.volumeDown();
    library.volumeDown();
    EXPECT_EQ(library.volumeLevel, 3);
    library.volumeLevel = 0;
    library.volumeDown();
    EXPECT_EQ(library.volumeLevel, 0);
    EXPECT_EQ(calls(), (Calls{"audio.setVolume 50", "audio.setVolume 100", "audio.setVolume 40", "audio.setVolume 30",
                              "audio.setVolume 0"}));
}

TEST_F(MusicLibraryTest, ClosingFadeFollowsAlphaBelowTheVolumeThenRestoresIt)
{
    platform.audio.volume = 40;
    std::vector<uint32_t> volumes;
    for (float alpha : {1.0f, 0.7f, 0.41f, 0.4f, 0.39f, 0.25f, 0.1f}) {
        library.fadeMusicWithScene(alpha, true, 40);
        volumes.push_back(platform.audio.volume);
    }
    EXPECT_EQ(volumes, (std::vector<uint32_t>{40, 40, 40, 40, 39, 25, 10}));
    calls();
    library.fadeMusicWithScene(0.0f, false, 40);
    EXPECT_EQ(calls(), (Calls{"audio.getVolume", "audio.setVolume 0", "audio.channelStop 1", "os.sleep 10",
                              "audio.setVolume 40"}));
    EXPECT_EQ(platform.audio.volume, 40u);
    EXPECT_TRUE(library.isPlaying);
}

TEST_F(MusicLibraryTest, WithoutTracksEveryOperationDoesNothing)
{
    MusicLibrary empty;
    MusicLibrary negative;
    negative.allocateTracks(-7);
    MusicLibrary inconsistent;  // a count the arrays were never sized for
    inconsistent.trackCount = 3;
    for (MusicLibrary* lib : {&empty, &negative, &inconsistent}) {
        lib->isPlaying = true;
        lib->play();
        lib->stopAndRewind();
        lib->togglePlayStop();
        lib->togglePause();
        lib->previousTrack();
        lib->nextTrack();
        lib->advanceAtTrackEnd();
        lib->volumeUp();
        lib->volumeDown();
        lib->fadeMusicWithScene(0.0f, false, 40);
        InputState::instance().previousKeys[os::VK_RETURN] = 1;
        InputState::instance().previousKeys[size_t('P')] = 1;
        InputState::instance().previousKeys[os::VK_LEFT] = 1;
        InputState::instance().previousKeys[os::VK_RIGHT] = 1;
        lib->handlePlaybackKeys();
        EXPECT_EQ(lib->currentTrack, 0);
    }
    EXPECT_EQ(negative.trackCount, 0);
    EXPECT_EQ(calls(), Calls{});
}

} // namespace
