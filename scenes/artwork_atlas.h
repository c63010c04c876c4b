// artwork_atlas: where each picture lies in the artwork atlas (data/velta.png, the
// skin texture), by name. The screens cut their pictures from here; the artwork
// painter (tools/paint_atlas) paints each picture at its rectangle, and the atlas
// map and the disk maker's table in docs/ are made from the same rows.
//
// A rectangle is texture coordinates: u0, v0 the top-left corner, u1, v1 the
// bottom-right, 0..1 over the image with v running down. Where a picture sits on
// the screen is the screen's business and stays in its code.
#pragma once

struct AtlasRect {
    const char* name;  // its label on the atlas map
    float u0, v0, u1, v1;
};

enum AtlasPicture : int {
    ATLAS_BACKGROUND,
    ATLAS_TITLE_BANNER,
    ATLAS_PLAYER_PANEL,
    ATLAS_STOP_BUTTON,
    ATLAS_PLAY_BUTTON,
    ATLAS_PAUSE_BUTTON,
    ATLAS_PREVIOUS_BUTTON,
    ATLAS_NEXT_BUTTON,
    ATLAS_TRANSPORT_ORNAMENT,
    ATLAS_VOLUME_PIP,
    ATLAS_TITLE_STRIP,
    ATLAS_TITLE_STRIP_FRAME,
    ATLAS_INFO_BUTTON,
    ATLAS_ABOUT_BUTTON,
    ATLAS_EXIT_BUTTON,
    ATLAS_VOLUME_UP_BUTTON,
    ATLAS_VOLUME_DOWN_BUTTON,
    ATLAS_MAIN_BUBBLE,
    ATLAS_MINIMISE_BUTTON,
    ATLAS_CLOSE_BUTTON,
    ATLAS_EQUALIZER_CELL,
    ATLAS_LOGO,
    ATLAS_INTRO_PICTURE,
    ATLAS_ABOUT_TEXT_FRAME,
    ATLAS_RETURN_HINT,
    ATLAS_ABOUT_CAPTION,
    ATLAS_ABOUT_BUBBLE,
    ATLAS_KEYS_PICTURE,
    ATLAS_KEYS_HEADING,
    ATLAS_PICTURE_COUNT
};

// One row per picture, in the order of AtlasPicture. Some edges are whole atlas
// pixels (n / 1024), others fractions that fall between texels.
constexpr AtlasRect ATLAS_RECTS[ATLAS_PICTURE_COUNT] = {
    {"background", 0.0f, 0.0f, 0.7979f, 0.3105f},
    {"title banner", 0.0f, 0.3906f, 0.6152f, 0.4746f},
    {"player panel", 0.0f, 0.7129f, 0.2588f, 0.9179f},
    {"stop", 562.0f / 1024, 715.0f / 1024, 593.0f / 1024, 744.0f / 1024},
    {"play", 593.0f / 1024, 715.0f / 1024, 0.61105f, 744.0f / 1024},
    {"pause", 585.0f / 1024, 744.0f / 1024, 602.0f / 1024, 762.0f / 1024},
    {"prev", 562.0f / 1024, 744.0f / 1024, 585.0f / 1024, 780.0f / 1024},
    {"next", 602.0f / 1024, 744.0f / 1024, 0.61135f, 780.0f / 1024},
    {"orn", 585.0f / 1024, 762.0f / 1024, 602.0f / 1024, 0.76202f},
    {"pip", 0.0332f, 0.9863f, 0.03809f, 1.0f},
    {"title strip", 0.0f, 0.3145f, 0.32f, 0.3496f},
    {"title strip frame", 0.68f, 0.3145f, 1.0f, 0.3496f},
    {"INFO", 0.488f, 0.318f, 0.5195f, 0.329f},
    {"ABOUT", 0.432f, 0.318f, 0.475f, 0.329f},
    {"EXIT", 0.388f, 0.318f, 0.416f, 0.329f},
    {"+", 0.00098f, 0.9863f, 0.0166f, 1.0f},
    {"-", 0.0176f, 0.9863f, 0.03222f, 1.0f},
    {"bubble", 0.875f, 0.875f, 0.99f, 0.99f},
    {"_", 0.3477f, 0.3164f, 0.366f, 0.331f},
    {"x", 0.366f, 0.3164f, 0.383f, 0.331f},
    {"eq", 6.0f / 1024, 983.0f / 1024, 69.0f / 1024, 1000.0f / 1024},
    {"logo", 0.7f, 0.646484375f, 0.9989f, 0.771484375f},
    {"intro picture", 0.453f, 0.484f, 0.955f, 0.64f},
    {"about text frame", 0.0f, 0.488f, 0.449f, 0.625f},
    {"return hint", 0.0f, 0.361f, 0.146f, 0.381f},
    {"about caption window", 0.30644f, 0.81445f, 0.72266f, 0.920898f},
    {"about bubble", 0.083984375f, 0.96875f, 0.115257815f, 0.999f},
    {"keys picture", 0.86621f, 0.015625f, 0.99218f, 0.2871f},
    {"keys heading", 0.3203f, 0.95703f, 0.4746f, 0.999f},
};
