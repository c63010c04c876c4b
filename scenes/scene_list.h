// scene_list: the disk's six scenes, which the application owns and runs.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "app/scene.h"

constexpr uint32_t SCENE_COUNT = 6;
using SceneList = std::array<std::unique_ptr<Scene>, SCENE_COUNT>;

// Builds the disk's six scenes in number order: 0 start-up (never entered),
// 1 logo, 2 intro, 3 player, 4 about, 5 information.
SceneList createDiskScenes();
