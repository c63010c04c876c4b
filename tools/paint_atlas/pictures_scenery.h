// pictures_scenery: paints the night background, the intro picture, the logo and the title banner
// into the atlas.
#pragma once

#include "canvas.h"
#include "text.h"

void paintScenery(Canvas& atlas, const Fonts& fonts);
