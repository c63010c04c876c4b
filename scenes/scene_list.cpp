#include "scenes/scene_list.h"

#include "app/application.h"
#include "disk/global_initialization.h"
#include "scenes/about_scene.h"
#include "scenes/info_scene.h"
#include "scenes/logo_scenes.h"
#include "scenes/main_scene.h"

// The order of construction matters: start-up (scene 0) loads the disk first, and
// the player screen (scene 3) is the frame timer's first user, so all scene timing
// counts from after the disk has loaded. All six exist before any is handed out.
SceneList createDiskScenes()
{
    auto globalInitialization = std::make_unique<GlobalInitializationScene>();
    auto logo = std::make_unique<KavScene>();
    auto intro = std::make_unique<IntroScene>();
    auto player = std::make_unique<MainScene>();
    auto about = std::make_unique<AboutScene>();
    auto info = std::make_unique<InfoScene>();
    SceneList scenes;
    scenes[0] = std::move(globalInitialization);
    scenes[LOGO_SCENE] = std::move(logo);
    scenes[INTRO_SCENE] = std::move(intro);
    scenes[MAIN_SCENE] = std::move(player);
    scenes[ABOUT_SCENE] = std::move(about);
    scenes[INFO_SCENE] = std::move(info);
    return scenes;
}
