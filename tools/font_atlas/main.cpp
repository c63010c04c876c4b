// font_atlas: writes the bundled disk's glyph atlas.
//
//   font_atlas [output.png [font.ttf [size]]]
//
// Defaults: data/font.png, DejaVu Sans Bold from fonts-dejavu-core, 512 x 512 pixels.
// Run from the repository root. The output depends only on the font and the size.
#include "font_atlas.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace {

constexpr const char* DEFAULT_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr long MAX_FONT_BYTES = 64L << 20;

bool readFile(const char* path, std::vector<uint8_t>* bytes)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size > 0 && size <= MAX_FONT_BYTES && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(size_t(size));
        ok = std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
    }
    std::fclose(f);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* outPath = argc > 1 ? argv[1] : "data/font.png";
    const char* fontPath = argc > 2 ? argv[2] : DEFAULT_FONT;
    const int size = argc > 3 ? std::atoi(argv[3]) : 512;

    std::vector<uint8_t> ttf;
    if (!readFile(fontPath, &ttf)) {
        std::fprintf(stderr, "font_atlas: cannot read font %s\n", fontPath);
        return 1;
    }
    FontImage atlas;
    if (!renderFontAtlas(ttf.data(), ttf.size(), size, &atlas)) {
        std::fprintf(stderr,
                     "font_atlas: cannot render %s at %d pixels (not a usable TrueType "
                     "font, or size not a multiple of 8 in 64..4096)\n",
                     fontPath, size);
        return 1;
    }
    stbi_write_png_compression_level = 9;
    if (!stbi_write_png(outPath, atlas.width, atlas.height, 4, atlas.rgba.data(), atlas.width * 4)) {
        std::fprintf(stderr, "font_atlas: cannot write %s\n", outPath);
        return 1;
    }
    std::printf("font_atlas: wrote %s (%d x %d)\n", outPath, atlas.width, atlas.height);
    return 0;
}
