#include "gui/font.h"

gpu::Texture* fontTexture = nullptr;

// Indexed by code - 32, row by row as the cells lie in the image.
const float glyphInset[GLYPH_COUNT] = {
    0.30f, 0.35f, 0.30f, 0.10f, 0.24f, 0.04f, 0.16f, 0.36f,  // space ! " # $ % & '
    0.28f, 0.28f, 0.28f, 0.20f, 0.35f, 0.20f, 0.38f, 0.26f,  // ( ) * + , - . /
    0.20f, 0.26f, 0.20f, 0.20f, 0.22f, 0.18f, 0.20f, 0.23f,  // 0 - 7
    0.22f, 0.22f, 0.30f, 0.30f, 0.20f, 0.20f, 0.20f, 0.18f,  // 8 9 : ; < = > ?
    0.02f, 0.14f, 0.14f, 0.12f, 0.16f, 0.18f, 0.20f, 0.14f,  // @ A - G
    0.14f, 0.36f, 0.22f, 0.16f, 0.20f, 0.08f, 0.17f, 0.10f,  // H - O
    0.19f, 0.12f, 0.16f, 0.17f, 0.16f, 0.16f, 0.16f, 0.00f,  // P - W
    0.17f, 0.20f, 0.19f,                                     // X Y Z
};

GlyphRect glyphRect(int code)
{
    const int cell = code - FIRST_GLYPH;
    const int column = cell % 8, row = cell / 8;
    const float t = glyphInset[cell];
    return {t * 0.125f + float(column) * 0.125f, float(row) * 0.125f + 0.008f,
            float(column + 1) * 0.125f - t * 0.125f, float(row + 1) * 0.125f};
}
