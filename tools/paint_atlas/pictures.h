// pictures: paints every picture of the artwork atlas at the rectangle its screen cuts.
//
// Scenery: the night background, the intro picture, the logo and the title banner.
// Player: the main screen's panel, buttons, title strip, equalizer cell, pips and bubbles.
// Pages: the about screen's frame, caption window and bubble, the info screen's pictures.
#pragma once

#include "canvas.h"
#include "text.h"

void paintScenery(Canvas& atlas, const Fonts& fonts);
void paintPlayer(Canvas& atlas, const Fonts& fonts);
void paintPages(Canvas& atlas, const Fonts& fonts);

// The whole 1024 x 1024 atlas.
Canvas paintAtlas(const Fonts& fonts);
