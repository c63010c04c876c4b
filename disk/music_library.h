// MusicLibrary: the disk's tracks and the player's state, with the playback
// operations the interactive scenes call.
//
// One process-wide record, `musicLibrary`, statically allocated (all zero and empty
// until start-up fills it). Every operation acts at once on the audio service, on
// the channel of the current track; nothing is queued. Skipping never changes
// isPlaying: while stopped or paused it moves currentTrack and rewinds the new
// track, which then starts from its beginning with the next play.
//
// A disk without tracks runs without music: every operation then does nothing.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/os.h"

struct MusicLibrary {
    int32_t trackCount = 0;
    std::vector<audio::Handle> channels;  // per track; 0 where loading failed
    std::vector<std::string> titles;      // per track, as read
    std::vector<float> titleWidths;       // per track, at text size 0.03
    std::vector<float> titleScroll;       // per track: the main screen's title offset
    int32_t currentTrack = 0;             // 0 .. trackCount - 1
    bool isPlaying = false;               // the current track is meant to sound
    int32_t volumeLevel = 0;              // 0 .. 10; the output volume is 10 times this
    float titleScrollSpeed = 0.0f;        // screen units per second
    std::string scrollText;               // the about screen's text, each line ending in '\n'
    float scrollTextHeight = 0.0f;        // of scrollText word-wrapped; negative (grows down)

    // Sizes the per-track arrays for count tracks (none if count < 1): no channels,
    // empty titles, zero widths and offsets; track 0 becomes current.
    void allocateTracks(int32_t count);
    bool hasTracks() const;

    void play();           // resume the current track
    void stopAndRewind();  // stop and go back to its beginning
    void togglePlayStop();
    void togglePause();
    void previousTrack();  // wraps from the first track to the last
    void nextTrack();      // wraps from the last track to the first
    void advanceAtTrackEnd();  // start the next track once the current one has ended
    void volumeUp();
    void volumeDown();
    // A volume level (0 .. 10, nearer end taken outside) set as the volume buttons
    // set theirs.
    void setVolumeLevel(int32_t level);

    // Playing while isPlaying; Paused when the current channel is paused;
    // Stopped otherwise (and without tracks).
    os::PlaybackStatus playbackStatus() const;
    // Tells the os service the current track, its title, status, volume, length
    // and position (once a frame, from the main loop).
    void publishNowPlaying() const;

    // One frame of a closing scene's fade: the volume follows alpha * 100 down once
    // alpha falls below it; when the scene has just become inactive the music stops
    // and the volume goes back to savedVolume.
    void fadeMusicWithScene(float alpha, bool stillActive, uint32_t savedVolume);

    // Enter, P, cursor left and right (released this frame), in that order.
    void handleTransportKeys();
    // A scene's per-frame sequence: advanceAtTrackEnd, then handleTransportKeys.
    void handlePlaybackKeys();

    // Only while hasTracks().
    audio::Handle currentChannel() const { return channels[size_t(currentTrack)]; }
};

extern MusicLibrary musicLibrary;
