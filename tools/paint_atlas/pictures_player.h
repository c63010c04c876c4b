// pictures_player: paints the main screen's panel, buttons, title strip, equalizer cell, pips and bubbles
// into the atlas.
#pragma once

#include "canvas.h"
#include "text.h"

void paintPlayer(Canvas& atlas, const Fonts& fonts);
