// atlas_layout: every rectangle the screens cut from the artwork atlas (data/velta.png).
//
// A rectangle is given the way the program uses it: texture coordinates u0, v0, u1, v1
// (0..1 over the 1024 x 1024 atlas, v down) and the quad it is drawn on, in screen units
// (x -1..1 left to right, y -1..1 bottom to top, lower-left corner plus size, heights
// already multiplied by the aspect ratio where the program does so), with its depth
// (smaller depth lies in front). The painter draws each picture at exactly its rectangle
// and at the resolution it is shown with; the map, the docs table and the screen previews
// are made from the same table.
#pragma once

constexpr int kAtlasSize = 1024;

// The window's client area, onto which screen units -1..1 are mapped.
constexpr int kScreenWidth = 818;
constexpr int kScreenHeight = 318;

// Width / height of the window as the program records it (820 x 320).
constexpr float kAspect = 2.5625f;

enum AtlasRectId {
    kBackground,
    kTitleBanner,
    kPlayerPanel,
    kStopButton,
    kPlayButton,
    kPauseButton,
    kPreviousButton,
    kNextButton,
    kTransportOrnament,
    kVolumePip,
    kTitleStrip,
    kTitleStripFrame,
    kInfoButton,
    kAboutButton,
    kExitButton,
    kVolumeUpButton,
    kVolumeDownButton,
    kMainBubble,
    kMinimiseButton,
    kCloseButton,
    kEqualizerCell,
    kLogo,
    kIntroPicture,
    kAboutTextFrame,
    kReturnHint,
    kAboutCaption,
    kAboutBubble,
    kKeysPicture,
    kKeysHeading,
    kAtlasRectCount
};

struct AtlasRect {
    AtlasRectId id;
    const char* name;     // short label for the map
    const char* screens;  // where it is drawn
    float u0, v0, u1, v1;
    float x, y, w, h;     // one typical quad on screen
    float depth;
    const char* notes;    // what it shows, what must stay transparent
};

extern const AtlasRect kAtlasRects[kAtlasRectCount];

// The rectangle in atlas pixels (fractional where the coordinates are).
struct PixelRect {
    float x0, y0, x1, y1;
};

PixelRect pixelRect(const AtlasRect& r);

// Size of the quad on screen, in client pixels.
float shownWidth(const AtlasRect& r);
float shownHeight(const AtlasRect& r);
