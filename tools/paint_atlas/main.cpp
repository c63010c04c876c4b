// paint_atlas: paints the bundled disk's artwork atlas and its labelled map.
//
//   paint_atlas                     writes data/velta.png and docs/atlas-map.png
//   paint_atlas --preview DIR       also writes mock screens DIR/preview-*.png (uses data/font.png)
//   paint_atlas --table             prints the rectangle table (Markdown) for the docs
//
// Run from the repository root. Fonts come from fonts-dejavu-core; the output depends on
// nothing else, so running it again rebuilds the same files byte for byte.
#include "atlas_layout.h"
#include "atlas_map.h"
#include "pictures.h"
#include "preview.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

constexpr const char* FONT_DIR = "/usr/share/fonts/truetype/dejavu";

bool writePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba)
{
    stbi_write_png_compression_level = 9;
    if (stbi_write_png(path.c_str(), w, h, 4, rgba.data(), w * 4))
        return true;
    std::fprintf(stderr, "paint_atlas: cannot write %s\n", path.c_str());
    return false;
}

void printTable()
{
    std::printf("| Name | Screen | u0, v0, u1, v1 | Pixels (x, y, w x h) | Shown at (x, y; w x h) | Size on screen | "
                "Depth | Notes |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const AtlasPlacement& r : ATLAS_PLACEMENTS) {
        const AtlasRect& a = ATLAS_RECTS[r.id];
        const PixelRect p = pixelRect(r);
        std::printf("| %s | %s | %.5g, %.5g, %.5g, %.5g | %.1f, %.1f, %.1f x %.1f | %.4g, %.4g; %.4g x %.4g | %.0f x "
                    "%.0f px | %.2g | %s |\n",
                    a.name, r.screens, double(a.u0), double(a.v0), double(a.u1), double(a.v1), double(p.x0),
                    double(p.y0), double(p.x1 - p.x0), double(p.y1 - p.y0), double(r.x), double(r.y), double(r.w),
                    double(r.h), double(shownWidth(r)), double(shownHeight(r)), double(r.depth), r.notes);
    }
}

bool writePreviews(const std::string& dir, const std::vector<uint8_t>& atlasRgba)
{
    int w, h, n;
    uint8_t* font = stbi_load("data/font.png", &w, &h, &n, 4);
    if (!font) {
        std::fprintf(stderr, "paint_atlas: cannot read data/font.png for the previews\n");
        return false;
    }
    const RgbaImage fontImage{w, h, std::vector<uint8_t>(font, font + size_t(w) * size_t(h) * 4)};
    stbi_image_free(font);
    const RgbaImage atlasImage{ATLAS_SIZE, ATLAS_SIZE, atlasRgba};
    for (int i = 0; i < PREVIEW_COUNT; ++i) {
        const RgbaImage screen = renderPreview(PreviewScreen(i), atlasImage, fontImage);
        if (!writePng(dir + "/preview-" + PREVIEW_NAMES[i] + ".png", screen.width, screen.height, screen.rgba))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string previewDir;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--table") == 0) {
            printTable();
            return 0;
        }
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
            previewDir = argv[++i];
        } else {
            std::fprintf(stderr, "usage: paint_atlas [--preview DIR] [--table]\n");
            return 2;
        }
    }
    Fonts fonts;
    if (!loadFonts(FONT_DIR, &fonts))
        return 1;
    const Canvas atlas = paintAtlas(fonts);
    const std::vector<uint8_t> atlasRgba = toRgba8(atlas);
    if (!writePng("data/velta.png", atlas.width, atlas.height, atlasRgba))
        return 1;
    const Canvas map = drawAtlasMap(atlas, fonts);
    if (!writePng("docs/atlas-map.png", map.width, map.height, toRgba8(map)))
        return 1;
    if (!previewDir.empty() && !writePreviews(previewDir, atlasRgba))
        return 1;
    std::printf("paint_atlas: wrote data/velta.png and docs/atlas-map.png\n");
    return 0;
}
