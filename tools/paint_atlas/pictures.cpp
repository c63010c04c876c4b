#include "pictures.h"

#include "atlas_layout.h"
#include "pictures_pages.h"
#include "pictures_player.h"
#include "pictures_scenery.h"

Canvas paintAtlas(const Fonts& fonts)
{
    Canvas atlas = makeCanvas(ATLAS_SIZE, ATLAS_SIZE);
    paintScenery(atlas, fonts);
    paintPlayer(atlas, fonts);
    paintPages(atlas, fonts);
    return atlas;
}
