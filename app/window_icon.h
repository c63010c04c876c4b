// window_icon: the program's 48 x 48 window icon, built into the program so the
// window has it even when the disk's files are missing.
#pragma once
#include <cstdint>

struct WindowIcon {
    static constexpr int SIZE = 48;
    uint8_t rgba[SIZE * SIZE * 4];
};

const WindowIcon& windowIcon();
