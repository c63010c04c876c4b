#include "atlas_layout.h"

namespace {
constexpr float A = ASPECT;
}  // namespace

const AtlasPlacement ATLAS_PLACEMENTS[ATLAS_PICTURE_COUNT] = {
    {ATLAS_BACKGROUND, "intro, main, info, about", -1, -1, 2, 2, 1.0f, "night scene filling the window; opaque"},
    {ATLAS_TITLE_BANNER, "main", -0.635f, 0.3f, 1.6f, 0.6f, 1.0f,
     "disk name plate; its lower right lies under the player panel, its upper right under the window buttons; "
     "transparent around the plate"},
    {ATLAS_PLAYER_PANEL, "main", 0.264f, -0.904f, 0.7f, 1.4f, 0.61f,
     "glass panel behind the buttons, pips and menu entries; covers the banner's lower right"},
    {ATLAS_STOP_BUTTON, "main", 0.6f, -0.18f, 0.09f, 0.08f * A, 0.1f, "button, square icon"},
    {ATLAS_PLAY_BUTTON, "main", 0.69f, -0.18f, 0.09f, 0.08f * A, 0.1f, "button, triangle icon"},
    {ATLAS_PAUSE_BUTTON, "main", 0.667f, -0.311f, 0.0475f, 0.052f * A, 0.1f, "button, two bars"},
    {ATLAS_PREVIOUS_BUTTON, "main", 0.6f, -0.438f, 0.067f, 0.1f * A, 0.1f, "button, double triangle left"},
    {ATLAS_NEXT_BUTTON, "main", 0.7146f, -0.438f, 0.067f, 0.1f * A, 0.1f, "button, double triangle right"},
    {ATLAS_TRANSPORT_ORNAMENT, "main", 0.667f, -0.4423f, 0.0474f, 0.135f, 0.59f,
     "jewel under the pause button, between previous and next"},
    {ATLAS_VOLUME_PIP, "main", 0.276f, -0.875f, 0.013f, 0.09f, 0.6f,
     "one volume step, drawn once per level i at x 0.276 + 0.015 i: a bright bar"},
    {ATLAS_TITLE_STRIP, "main", -0.464f, -0.57f, 0.73f, 0.25f, 1.0f,
     "dark display behind the scrolling track title; opaque"},
    {ATLAS_TITLE_STRIP_FRAME, "main", -0.464f, -0.57f, 0.73f, 0.25f, 0.85f,
     "bezel over the title text (depth 0.9): clear middle band where the text runs (0.39 to 0.70 of the height), ends "
     "fade the text in and out"},
    {ATLAS_INFO_BUTTON, "main", 0.28f, -0.395f, 0.09f, 0.033f * A, 0.1f, "menu entry"},
    {ATLAS_ABOUT_BUTTON, "main", 0.28f, -0.535f, 0.13f, 0.033f * A, 0.1f, "menu entry"},
    {ATLAS_EXIT_BUTTON, "main", 0.28f, -0.68f, 0.09f, 0.033f * A, 0.1f, "menu entry"},
    {ATLAS_VOLUME_UP_BUTTON, "main", 0.473f, -0.87f, 0.04f, 0.032f * A, 0.1f, "volume up"},
    {ATLAS_VOLUME_DOWN_BUTTON, "main", 0.43f, -0.87f, 0.04f, 0.032f * A, 0.1f, "volume down"},
    {ATLAS_MAIN_BUBBLE, "main", 0.1f, -1.3f, 0.375f, 0.375f * A, 0.1f,
     "50 bubbles, each at its own x, y and 0.3 to 0.45 wide, in front of everything (buttons included): mostly clear"},
    {ATLAS_MINIMISE_BUTTON, "main", 0.862f, 0.77f, 0.05f, 0.046f * A, 0.1f, "minimise"},
    {ATLAS_CLOSE_BUTTON, "main", 0.912f, 0.77f, 0.05f, 0.046f * A, 0.1f, "close"},
    {ATLAS_EQUALIZER_CELL, "main", -0.457f, -0.32f, 0.04f, 0.04f, 1.0f,
     "one LED of the 16 x 12 equalizer, drawn 192 times at x = 0.045 c - 0.457, y = 0.05 r - 0.32 with alpha = level: "
     "bright, with a clear border"},
    {ATLAS_LOGO, "logo", -0.35f, -0.35f, 0.7f, 0.7f, 1.0f, "disk name on black; transparent around it"},
    {ATLAS_INTRO_PICTURE, "intro", -0.35f, -0.5f, 1.3f, 1.1f, 1.0f, "framed picture over the background"},
    {ATLAS_ABOUT_TEXT_FRAME, "about", -0.3f, -0.2f, 1.2f, 1.0f, 0.2f,
     "heading frame in front of the text (depth 0.9): clear over x -0.23..0.81 below y 0.01, where the text and the "
     "caption window lie"},
    {ATLAS_RETURN_HINT, "info, about", 0.46f, -0.95f, 0.43f, 0.177f, 1.0f, "\"click to return\" plate"},
    {ATLAS_ABOUT_CAPTION, "about", -0.23f, -0.698f, 1.0400391f, 0.27462885f * A, 0.5f,
     "window in front of the scrolling text (box x -0.2, y -0.12 down to -0.67): clear inside, a narrow inner shadow "
     "along the border"},
    {ATLAS_ABOUT_BUBBLE, "about", 0.5f, 0.5f, 0.06f, 0.06f * A, 0.1f,
     "50 falling bubbles, each at its own x, y and 0.02 to 0.1 wide, tinted (0, c, c, 0.4 alpha) by the program: "
     "painted light grey"},
    {ATLAS_KEYS_PICTURE, "info", 0.65f, -0.8f, 0.35f, 1.55f, 1.0f, "keycaps beside the key list"},
    {ATLAS_KEYS_HEADING, "info", -0.4f, 0.5f, 0.3f, 0.2f, 1.0f, "heading above the key list"},
};

PixelRect pixelRect(AtlasPicture id)
{
    const AtlasRect& r = ATLAS_RECTS[id];
    return {r.u0 * ATLAS_SIZE, r.v0 * ATLAS_SIZE, r.u1 * ATLAS_SIZE, r.v1 * ATLAS_SIZE};
}

float shownWidth(const AtlasPlacement& p) { return p.w * SCREEN_WIDTH / 2; }
float shownHeight(const AtlasPlacement& p) { return p.h * SCREEN_HEIGHT / 2; }
