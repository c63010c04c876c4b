#include "disk/music_library.h"

#include <algorithm>

#include "app/input_state.h"
#include "platform/os.h"

MusicLibrary musicLibrary;

void MusicLibrary::allocateTracks(int32_t count)
{
    trackCount = std::max(count, 0);
    size_t n = size_t(trackCount);
    channels.assign(n, 0);
    titles.assign(n, std::string());
    titleWidths.assign(n, 0.0f);
    titleScroll.assign(n, 0.0f);
    currentTrack = 0;
}

// Every operation indexes the current channel and steps modulo trackCount, so they
// all need at least one track and a current track inside the arrays.
bool MusicLibrary::hasTracks() const
{
    return trackCount > 0 && size_t(trackCount) <= channels.size() && currentTrack >= 0 &&
           currentTrack < trackCount;
}

void MusicLibrary::play()
{
    if (!hasTracks())
        return;
    audio::audio().channelPlay(currentChannel(), false);
    isPlaying = true;
}

void MusicLibrary::stopAndRewind()
{
    if (!hasTracks())
        return;
    audio::audio().channelStop(currentChannel());
    audio::audio().channelSetPosition(currentChannel(), 0);
    isPlaying = false;
}

void MusicLibrary::togglePlayStop()
{
    if (isPlaying)
        stopAndRewind();
    else
        play();
}

void MusicLibrary::togglePause()
{
    if (!hasTracks())
        return;
    if (isPlaying) {
        audio::audio().channelPause(currentChannel());
        isPlaying = false;
    } else {
        play();
    }
}

// A track reached by a skip starts from its beginning: restarted at once while
// playing, rewound otherwise, so that the next play does not resume it where it
// stopped the last time it was left.
static void startSkippedTrack(const MusicLibrary& library)
{
    if (library.isPlaying)
        audio::audio().channelPlay(library.currentChannel(), true);
    else
        audio::audio().channelSetPosition(library.currentChannel(), 0);
}

void MusicLibrary::previousTrack()
{
    if (!hasTracks())
        return;
    audio::audio().channelStop(currentChannel());
    currentTrack = (trackCount + currentTrack - 1) % trackCount;
    startSkippedTrack(*this);
}

void MusicLibrary::nextTrack()
{
    if (!hasTracks())
        return;
    audio::audio().channelStop(currentChannel());
    currentTrack = (currentTrack + 1) % trackCount;
    startSkippedTrack(*this);
}

// A track that failed to load has channel 0, which reports itself stopped, so it is
// passed over on the first check while playing.
void MusicLibrary::advanceAtTrackEnd()
{
    if (!hasTracks())
        return;
    if (audio::audio().channelIsActive(currentChannel()) != audio::ACTIVE_STOPPED || !isPlaying)
        return;
    audio::audio().channelStop(currentChannel());
    currentTrack = (currentTrack + 1) % trackCount;
    audio::audio().channelPlay(currentChannel(), true);
}

void MusicLibrary::volumeUp()
{
    if (!hasTracks())
        return;
    volumeLevel = std::min(volumeLevel + 1, 10);
    audio::audio().setVolume(uint32_t(volumeLevel * 10));
}

void MusicLibrary::volumeDown()
{
    if (!hasTracks())
        return;
    volumeLevel = std::max(volumeLevel - 1, 0);
    audio::audio().setVolume(uint32_t(volumeLevel * 10));
}

void MusicLibrary::setVolumeLevel(int32_t level)
{
    if (!hasTracks())
        return;
    volumeLevel = std::clamp(level, 0, 10);
    audio::audio().setVolume(uint32_t(volumeLevel * 10));
}

os::PlaybackStatus MusicLibrary::playbackStatus() const
{
    if (!hasTracks())
        return os::PlaybackStatus::Stopped;
    if (isPlaying)
        return os::PlaybackStatus::Playing;
    if (audio::audio().channelIsActive(currentChannel()) == audio::ACTIVE_PAUSED)
        return os::PlaybackStatus::Paused;
    return os::PlaybackStatus::Stopped;
}

// A byte count of the channel in microseconds; -1 where the service has none.
static int64_t channelMicros(audio::Handle channel, uint64_t bytes)
{
    if (bytes == audio::POSITION_ERROR)
        return -1;
    double seconds = audio::audio().channelBytes2Seconds(channel, bytes);
    // The guard keeps the conversion defined for whatever the service answers.
    if (!(seconds >= 0.0 && seconds < 1.0e9))
        return -1;
    return int64_t(seconds * 1.0e6);
}

void MusicLibrary::publishNowPlaying() const
{
    os::NowPlaying state = {0, 0, "", os::PlaybackStatus::Stopped, volumeLevel, -1, 0};
    if (hasTracks()) {
        audio::Handle channel = currentChannel();
        state.trackCount = trackCount;
        state.track = currentTrack;
        state.title = titles[size_t(currentTrack)].c_str();
        state.status = playbackStatus();
        state.lengthMicros = channelMicros(channel, audio::audio().channelGetLength(channel, audio::POS_BYTE));
        state.positionMicros =
            std::max<int64_t>(0, channelMicros(channel, audio::audio().channelGetPosition(channel, audio::POS_BYTE)));
    }
    os::os().setNowPlaying(state);
}

void MusicLibrary::fadeMusicWithScene(float alpha, bool stillActive, uint32_t savedVolume)
{
    if (!hasTracks())
        return;
    uint32_t volume = audio::audio().getVolume();
    // alpha * 100 with the fraction dropped; the guards keep the float-to-integer
    // conversion defined for an alpha outside 0..1.
    float scaled = alpha * 100.0f;
    uint32_t faded = scaled >= 100.0f ? 100u : scaled > 0.0f ? uint32_t(scaled) : 0u;
    audio::audio().setVolume(std::min(volume, faded));
    if (!stillActive) {
        audio::audio().channelStop(currentChannel());
        os::os().sleep(10);
        audio::audio().setVolume(savedVolume);
    }
}

void MusicLibrary::handleTransportKeys()
{
    const InputState& input = InputState::instance();
    if (input.keyReleased(os::VK_RETURN))
        togglePlayStop();
    if (input.keyReleased('P'))
        togglePause();
    if (input.keyReleased(os::VK_LEFT))
        previousTrack();
    if (input.keyReleased(os::VK_RIGHT))
        nextTrack();
}

void MusicLibrary::handlePlaybackKeys()
{
    advanceAtTrackEnd();
    handleTransportKeys();
}
