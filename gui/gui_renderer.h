// GuiRenderer: the renderer the main loop draws every frame through. It owns the
// SpriteBatch (published in `spriteBatch`) and the font texture (`fontTexture`).
//
// Created right after the device: the batch's device objects first, then the font
// "data/font.png"; a font that does not load is reported and ends the program
// through a quit request.
#pragma once
#include "disk/disk_files.h"
#include "gui/sprite_batch.h"

struct GuiRenderer {
    SpriteBatch* batch = nullptr;

    static GuiRenderer& instance();
    static void destroy();

    void render() { batch->render(); }
    void shutdown();
};
