#include "atlas_layout.h"

namespace {
constexpr float A = kAspect;
constexpr float T = 1.0f / 1024.0f;  // one texel
}  // namespace

const AtlasRect kAtlasRects[kAtlasRectCount] = {
    {kBackground, "background", "intro, main, info, about",
     0, 0, 0.7979f, 0.3105f, -1, -1, 2, 2, 1.0f,
     "night scene filling the window; opaque"},
    {kTitleBanner, "title banner", "main",
     0, 0.3906f, 0.6152f, 0.4746f, -0.635f, 0.3f, 1.6f, 0.6f, 1.0f,
     "disk name plate; its lower right lies under the player panel, its upper right under "
     "the window buttons; transparent around the plate"},
    {kPlayerPanel, "player panel", "main",
     0, 0.7129f, 0.2588f, 0.9179f, 0.264f, -0.904f, 0.7f, 1.4f, 0.61f,
     "glass panel behind the buttons, pips and menu entries; covers the banner's lower right"},
    {kStopButton, "stop", "main",
     562 * T, 715 * T, 593 * T, 744 * T, 0.6f, -0.18f, 0.09f, 0.08f * A, 0.1f,
     "button, square icon"},
    {kPlayButton, "play", "main",
     593 * T, 715 * T, 0.61105f, 744 * T, 0.69f, -0.18f, 0.09f, 0.08f * A, 0.1f,
     "button, triangle icon"},
    {kPauseButton, "pause", "main",
     585 * T, 744 * T, 602 * T, 762 * T, 0.667f, -0.311f, 0.0475f, 0.052f * A, 0.1f,
     "button, two bars"},
    {kPreviousButton, "prev", "main",
     562 * T, 744 * T, 585 * T, 780 * T, 0.6f, -0.438f, 0.067f, 0.1f * A, 0.1f,
     "button, double triangle left"},
    {kNextButton, "next", "main",
     602 * T, 744 * T, 0.61135f, 780 * T, 0.7146f, -0.438f, 0.067f, 0.1f * A, 0.1f,
     "button, double triangle right"},
    {kTransportOrnament, "orn", "main",
     585 * T, 762 * T, 602 * T, 0.76202f, 0.667f, -0.4423f, 0.0474f, 0.135f, 0.59f,
     "jewel under the pause button, between previous and next"},
    {kVolumePip, "pip", "main",
     0.0332f, 0.9863f, 0.03809f, 1.0f, 0.276f, -0.875f, 0.013f, 0.09f, 0.6f,
     "one volume step, drawn once per level i at x 0.276 + 0.015 i: a bright bar"},
    {kTitleStrip, "title strip", "main",
     0, 0.3145f, 0.32f, 0.3496f, -0.464f, -0.57f, 0.73f, 0.25f, 1.0f,
     "dark display behind the scrolling track title; opaque"},
    {kTitleStripFrame, "title strip frame", "main",
     0.68f, 0.3145f, 1.0f, 0.3496f, -0.464f, -0.57f, 0.73f, 0.25f, 0.85f,
     "bezel over the title text (depth 0.9): clear middle band where the text runs "
     "(0.39 to 0.70 of the height), ends fade the text in and out"},
    {kInfoButton, "INFO", "main",
     0.488f, 0.318f, 0.5195f, 0.329f, 0.28f, -0.395f, 0.09f, 0.033f * A, 0.1f,
     "menu entry"},
    {kAboutButton, "ABOUT", "main",
     0.432f, 0.318f, 0.475f, 0.329f, 0.28f, -0.535f, 0.13f, 0.033f * A, 0.1f,
     "menu entry"},
    {kExitButton, "EXIT", "main",
     0.388f, 0.318f, 0.416f, 0.329f, 0.28f, -0.68f, 0.09f, 0.033f * A, 0.1f,
     "menu entry"},
    {kVolumeUpButton, "+", "main",
     0.00098f, 0.9863f, 0.0166f, 1.0f, 0.473f, -0.87f, 0.04f, 0.032f * A, 0.1f,
     "volume up"},
    {kVolumeDownButton, "-", "main",
     0.0176f, 0.9863f, 0.03222f, 1.0f, 0.43f, -0.87f, 0.04f, 0.032f * A, 0.1f,
     "volume down"},
    {kMainBubble, "bubble", "main",
     0.875f, 0.875f, 0.99f, 0.99f, 0.1f, -1.3f, 0.375f, 0.375f * A, 0.1f,
     "50 bubbles, each at its own x, y and 0.3 to 0.45 wide, in front of everything "
     "(buttons included): mostly clear"},
    {kMinimiseButton, "_", "main",
     0.3477f, 0.3164f, 0.366f, 0.331f, 0.862f, 0.77f, 0.05f, 0.046f * A, 0.1f,
     "minimise"},
    {kCloseButton, "x", "main",
     0.366f, 0.3164f, 0.383f, 0.331f, 0.912f, 0.77f, 0.05f, 0.046f * A, 0.1f,
     "close"},
    {kEqualizerCell, "eq", "main",
     6 * T, 983 * T, 69 * T, 1000 * T, -0.457f, -0.32f, 0.04f, 0.04f, 1.0f,
     "one LED of the 16 x 12 equalizer, drawn 192 times at x = 0.045 c - 0.457, "
     "y = 0.05 r - 0.32 with alpha = level: bright, with a clear border"},
    {kLogo, "logo", "logo",
     0.7f, 0.646484375f, 0.9989f, 0.771484375f, -0.35f, -0.35f, 0.7f, 0.7f, 1.0f,
     "disk name on black; transparent around it"},
    {kIntroPicture, "intro picture", "intro",
     0.453f, 0.484f, 0.955f, 0.64f, -0.35f, -0.5f, 1.3f, 1.1f, 1.0f,
     "framed picture over the background"},
    {kAboutTextFrame, "about text frame", "about",
     0, 0.488f, 0.449f, 0.625f, -0.3f, -0.2f, 1.2f, 1.0f, 0.2f,
     "heading frame in front of the text (depth 0.9): clear over x -0.23..0.81 below "
     "y 0.01, where the text and the caption window lie"},
    {kReturnHint, "return hint", "info, about",
     0, 0.361f, 0.146f, 0.381f, 0.46f, -0.95f, 0.43f, 0.177f, 1.0f,
     "\"click to return\" plate"},
    {kAboutCaption, "about caption window", "about",
     0.30644f, 0.81445f, 0.72266f, 0.920898f, -0.23f, -0.698f, 1.0400391f,
     0.27462885f * A, 0.5f,
     "window in front of the scrolling text (box x -0.2, y -0.12 down to -0.67): clear "
     "inside, a narrow inner shadow along the border"},
    {kAboutBubble, "about bubble", "about",
     0.083984375f, 0.96875f, 0.115257815f, 0.999f, 0.5f, 0.5f, 0.06f, 0.06f * A, 0.1f,
     "50 falling bubbles, each at its own x, y and 0.02 to 0.1 wide, tinted "
     "(0, c, c, 0.4 alpha) by the program: painted light grey"},
    {kKeysPicture, "keys picture", "info",
     0.86621f, 0.015625f, 0.99218f, 0.2871f, 0.65f, -0.8f, 0.35f, 1.55f, 1.0f,
     "keycaps beside the key list"},
    {kKeysHeading, "keys heading", "info",
     0.3203f, 0.95703f, 0.4746f, 0.999f, -0.4f, 0.5f, 0.3f, 0.2f, 1.0f,
     "heading above the key list"},
};

PixelRect pixelRect(const AtlasRect& r) {
    return {r.u0 * kAtlasSize, r.v0 * kAtlasSize, r.u1 * kAtlasSize, r.v1 * kAtlasSize};
}

float shownWidth(const AtlasRect& r) { return r.w * kScreenWidth / 2; }
float shownHeight(const AtlasRect& r) { return r.h * kScreenHeight / 2; }
