// make_icons: writes the desktop's icons of the program (tools/make_icons/icon_files.h)
// into an icon theme folder.
//
//   make_icons [FOLDER]   default desktop/icons/hicolor, from the repository root
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "icon_files.h"

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : "desktop/icons/hicolor";
    for (int size : ICON_SIZES) {
        std::filesystem::path path = folder / iconPngPath(size);
        std::filesystem::create_directories(path.parent_path());
        if (!writeIconPng(path.string(), size)) {
            std::fprintf(stderr, "make_icons: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::filesystem::path svg = folder / iconSvgPath();
    std::filesystem::create_directories(svg.parent_path());
    std::ofstream file(svg, std::ios::binary);
    file << iconSvg();
    if (!file.flush()) {
        std::fprintf(stderr, "make_icons: cannot write %s\n", svg.c_str());
        return 1;
    }
    return 0;
}
