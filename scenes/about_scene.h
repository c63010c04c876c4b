// about_scene: the about screen (AboutScene, scene 4): the disk's free text
// scrolling up through a framed window, with fifty translucent bubbles falling
// down the screen in front of everything.
//
// Keypad + and - change the scroll speed while held; the scroll position and speed
// are kept for the whole run, so each visit carries on where the last one stopped.
// The music stays under keyboard control. I goes to the information screen, a left
// click anywhere back to the player, Escape ends the program with a music fade.
//
// The bubbles are made on the first visit and kept: later visits find them where
// they were, and the list never grows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/scene.h"
#include "scenes/closing.h"

constexpr int ABOUT_BUBBLE_COUNT = 50;

struct AboutBubble {
    float x, y;   // lower-left corner
    float speed;  // falls by speed * 0.02 screen units per second
    float size;   // width; the height is size * aspect
};

// How far the text has moved (screen units) and how fast (per second; negative
// moves it up). Set at program start, not per visit.
extern float aboutScrollOffset;
extern float aboutScrollSpeed;

struct AboutScene : Scene {
    ClosingState closingState;
    SceneFade fade = {};
    std::vector<AboutBubble> bubbles;
    // Where the scroll text's lines start, worked out on the first frame that shows
    // it, so a long text is not read from its top in every frame. The text is set
    // at start-up and then kept; another buffer or length counts as a new text.
    std::vector<size_t> scrollLineStarts;
    const char* scrollLinesText = nullptr;
    size_t scrollLinesBytes = 0;

    void enter() override;
    void update() override;
    void leave() override { startFadeOut(fade); }
    void close() override { startClosing(*this, closingState); }

private:
    void updateScrollText();
    void updateBubbles();
};

// The bubbles as placed for a seed (the timer's elapsed milliseconds) and the tick
// count, which re-seeds before every value drawn.
std::vector<AboutBubble> makeAboutBubbles(uint32_t seed);
