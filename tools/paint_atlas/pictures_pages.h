// pictures_pages: paints the about screen's frame, caption window and bubble, the info screen's pictures
// into the atlas.
#pragma once

#include "canvas.h"
#include "text.h"

void paintPages(Canvas& atlas, const Fonts& fonts);
