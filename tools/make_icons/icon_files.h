// icon_files: the desktop's icons of the program, made from the window icon's
// drawing (app/window_icon.h): a PNG for each size in ICON_SIZES, each painted at
// its own size, and an SVG of the same picture.
#pragma once
#include <string>

#include "platform/product.h"

constexpr int ICON_SIZES[] = {48, 64, 128, 256};
constexpr const char* ICON_NAME = product::APP_ID;

// "48x48/apps/NAME.png", "scalable/apps/NAME.svg": where each goes under an icon
// theme's folder (share/icons/hicolor).
std::string iconPngPath(int size);
std::string iconSvgPath();

std::string iconSvg();
bool writeIconPng(const std::string& path, int size);
