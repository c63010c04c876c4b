// atlas_map: the labelled map of the artwork atlas for disk makers (docs/atlas-map.png):
// the atlas over a checkerboard (so transparency shows), every rectangle outlined in its
// own colour and labelled with its name.
#pragma once

#include "canvas.h"
#include "text.h"

Canvas drawAtlasMap(const Canvas& atlas, const Fonts& fonts);
