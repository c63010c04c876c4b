// InputState: the keyboard and mouse as the window procedure last reported them,
// plus a snapshot taken at the previous frame's rollOver().
//
// One-shot commands act on keyReleased (down at the snapshot, up now), so a key
// pressed and released within one message pump is not seen at all. Keys are
// indexed by virtual-key code.
#pragma once
#include <cstdint>

struct InputState {
    int32_t mouseX;  // client pixels, from the latest mouse move
    int32_t mouseY;
    uint8_t keys[256];
    uint8_t previousKeys[256];
    bool previousLeftButton;
    bool previousRightButton;
    bool leftButton;
    bool rightButton;

    static InputState& instance();
    static void destroy();

    void rollOver();
    // The window lost the keyboard: the keys down now are forgotten, so none is
    // held any more and none counts as released (their releases go elsewhere).
    // A key already released in this pump keeps its release.
    void forgetHeldKeys();
    bool keyReleased(uint8_t key) const { return previousKeys[key] && !keys[key]; }
    bool keyHeld(uint8_t key) const { return previousKeys[key] && keys[key]; }
    bool leftButtonReleased() const { return previousLeftButton && !leftButton; }
};
