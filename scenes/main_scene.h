// main_scene: the player screen (MainScene, scene 3).
//
// Every frame it fades, checks for the end of the track, handles the playback
// keys, and draws the whole screen from the artwork atlas: background, title
// banner, player panel with the transport and volume buttons and the volume pips,
// the current track's title scrolling in its strip, the equalizer, the Info /
// About / Exit entries, a row of bubbles drifting right along the bottom edge, and
// the minimise and close buttons of the caption-less window. A opens the about
// screen, I the information screen, E switches the equalizer; Escape, Exit and the
// close button end the program with a music fade.
//
// A disk without tracks shows no title and no equalizer; the buttons and keys
// then do nothing (the playback operations are no-ops without tracks).
#pragma once
#include <cstdint>
#include <vector>

#include "app/scene.h"
#include "scenes/closing.h"
#include "scenes/equalizer.h"

constexpr int MAIN_BUBBLE_COUNT = 50;

struct MainBubble {
    float x, y;   // lower-left corner
    float speed;  // drifts right by speed * 0.01 screen units per second
    float size;   // width; the height is size * aspect
};

// Button ids of the player screen.
enum MainButton : int32_t {
    BUTTON_MINIMISE = 10,
    BUTTON_CLOSE = 12,
    BUTTON_INFO = 13,
    BUTTON_ABOUT = 14,
    BUTTON_EXIT = 15,
    BUTTON_VOLUME_UP = 16,
    BUTTON_VOLUME_DOWN = 17,
    BUTTON_STOP = 18,
    BUTTON_PLAY = 19,
    BUTTON_PAUSE = 20,
    BUTTON_PREVIOUS = 21,
    BUTTON_NEXT = 22,
};

// Whether the player screen runs its equalizer; E toggles it. Set when the player
// screen is created and kept across screen changes.
extern bool equalizerOn;

struct MainScene : Scene {
    SceneFade fade = {};
    ClosingState closingState;
    EqualizerLevels equalizerLevels = {};
    std::vector<MainBubble> bubbles;

    // Places the bubbles from the tick count and the frame timer (the screen is the
    // timer's first user, so all scene timing counts from here).
    MainScene();

    void enter() override { startFadeIn(*this, fade); }
    void update() override;
    void leave() override { startFadeOut(fade); }
    void close() override { startClosing(*this, closingState); }

private:
    void drawTransport();
    void drawVolume();
    void updateTitle();
    void drawMenu();
    void updateBubbles();
    void drawWindowButtons();
};

// The bubbles as placed for a seed (the timer's whole seconds) and the tick count,
// which re-seeds before every value drawn.
std::vector<MainBubble> makeMainBubbles(uint32_t seed);
