// button: immediate-mode buttons. A screen calls doButton once per frame for each
// button, in drawing order; the call draws the button (depth 0.1) and returns true
// in the frame in which a click on it completes: pressed while hot, released with
// the mouse still over it. The only state is which button is hot (under the mouse)
// and which is active (being pressed).
#pragma once
#include <cstdint>

#include "gui/draw.h"

struct ButtonLook {
    float normal[4];  // u0, v0, u1, v1
    float hot[4];
    float active[4];
};

extern int32_t hotWidget;
extern int32_t activeWidget;

// size.y is in horizontal units and is multiplied by the aspect ratio, so a size
// of (s, s) is square in pixels.
bool doButton(int32_t id, gpu::Texture* texture, ScreenPoint position, ScreenPoint size, const ButtonLook& look,
              Colour colour);
