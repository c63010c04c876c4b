// pictures: paints every picture of the artwork atlas at the rectangle its screen cuts.
//
// Scenery (pictures_scenery.h): the night background, the intro picture, the logo and
// the title banner. Player (pictures_player.h): the main screen's panel, buttons, title
// strip, equalizer cell, pips and bubbles. Pages (pictures_pages.h): the about screen's
// frame, caption window and bubble, the info screen's pictures.
#pragma once

#include "canvas.h"
#include "text.h"

// The whole 1024 x 1024 atlas.
Canvas paintAtlas(const Fonts& fonts);
