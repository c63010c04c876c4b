// FrameTimer: one view of time for every scene of a frame.
//
// Created on first use (the player screen's construction, so all scene timing
// counts from there); the main loop calls advance() once per frame. Tick
// differences are taken modulo 2^32 and read as signed, so a wrap of the tick
// counter between two frames still gives the right delta.
#pragma once
#include <cstdint>

struct FrameTimer {
    uint32_t startTick;
    uint32_t lastTick;
    float elapsed;  // seconds from creation to the latest advance()
    float delta;    // seconds between the two latest advance() calls

    static FrameTimer& instance();
    static void destroy();

    void advance();
};
