// The floor for the player screen's CPU cost: our player frame drawn the cheapest
// way OpenGL allows, by none of our code (SDL2 and OpenGL 3.3 core only).
//
// It draws the quads our program wrote (bench_player_cost --ours): the same
// textures (the atlases with the same box-filtered mip chain), sampling, blending
// and quads. The still part (every still quad that no moving quad before it
// touches) is drawn once, with the window's one-pixel border, and kept in a texture;
// each frame copies it back with one framebuffer blit (on llvmpipe cheaper than an
// unblended full-window quad, texels fetched or sampled nearest), then
// draws the rest (lit equalizer cells, title glyphs, the still quads over them and
// the 50 bubbles) from one vertex buffer filled by one glBufferSubData, one call
// per run of one texture and sampling. The bubbles are placed from SEED the way
// the player screen places them at tick count 0, and drift as they do. No depth
// buffer, no clear, no allocation in a frame.
//
//   bench_player_floor [--depth] QUADS SEED SECONDS      a frame every 20 ms for
//       SECONDS; prints "ready" after the first, and "frames N" when sent SIGUSR1
//   bench_player_floor [--depth] --check QUADS PICTURE   draws the frame of QUADS
//       as it is (its bubbles too) and compares it with PICTURE (P6, the client
//       area, top row first): prints "N of M pixels differ, by at most L levels"
//
// --depth gives the window a depth buffer, as ours has: unused, yet llvmpipe then
// rasterises a few edge pixels otherwise.
//
// QUADS holds "client W H", "aspect A", "texture ID PATH" and, in draw order,
// "item KIND TEXTURE MIPMAPPED r g b a u0 v0 u1 v1 x y w h" with KIND S (still),
// M (moving) or B (bubble).
#include <SDL.h>
#include <epoxy/gl.h>

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/floor_program.h"
#include "bench/timed_services.h"

namespace {

constexpr int BORDER = 1;  // the window's frame around the client area
constexpr int BUBBLES = 50;

struct Item {
    char kind;
    int texture, mipmapped;
    float r, g, b, a, u0, v0, u1, v1, x, y, w, h;
};

struct Frame {
    int width = 0, height = 0;  // client area
    float aspect = 1.0f;
    std::string textures[2];
    std::vector<Item> items;
};

bool readFrame(const char* path, Frame* frame)
{
    FILE* file = std::fopen(path, "r");
    if (!file)
        return false;
    char word[32], text[4096];
    while (std::fscanf(file, "%31s", word) == 1) {
        if (std::strcmp(word, "client") == 0) {
            if (std::fscanf(file, "%d %d", &frame->width, &frame->height) != 2)
                break;
        } else if (std::strcmp(word, "aspect") == 0) {
            if (std::fscanf(file, "%f", &frame->aspect) != 1)
                break;
        } else if (std::strcmp(word, "texture") == 0) {
            int id = 0;
            if (std::fscanf(file, "%d %4095s", &id, text) != 2 || id < 0 || id > 1)
                break;
            frame->textures[id] = text;
        } else if (std::strcmp(word, "item") == 0) {
            Item i;
            if (std::fscanf(file, " %c %d %d %f %f %f %f %f %f %f %f %f %f %f %f", &i.kind, &i.texture, &i.mipmapped,
                            &i.r, &i.g, &i.b, &i.a, &i.u0, &i.v0, &i.u1, &i.v1, &i.x, &i.y, &i.w, &i.h) != 15 ||
                i.texture < 0 || i.texture > 1)
                break;
            frame->items.push_back(i);
        }
    }
    std::fclose(file);
    return frame->width > 0 && frame->height > 0 && !frame->items.empty();
}

// The classic C library generator, re-seeded for every value with the bubble's
// index plus the last value, as the player screen does at tick count 0.
struct Bubble {
    float x, y, speed, size;
};

std::vector<Bubble> bubblesFromSeed(uint32_t seed)
{
    std::vector<Bubble> bubbles(BUBBLES);
    auto next = [&seed](uint32_t index) {
        uint32_t state = index + seed;
        state = state * 214013u + 2531011u;
        seed = (state >> 16) & 0x7FFFu;
        return float(seed) / 32767.0f;
    };
    for (uint32_t i = 0; i < BUBBLES; ++i) {
        Bubble& b = bubbles[i];
        b.x = next(i) * 3.0f - 1.5f;
        b.y = next(i) * 0.4f - 1.5f;
        b.speed = next(i) * 4.0f + 0.3f;
        b.size = next(i) * 0.15f + 0.3f;
    }
    return bubbles;
}

// The atlas with each smaller level the rounded mean of the 2 x 2 texels it covers.
GLuint loadTexture(const std::string& path)
{
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &width, &height, &channels, 4);
    if (!pixels)
        return 0;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<uint8_t> level(pixels, pixels + size_t(width) * size_t(height) * 4), half;
    stbi_image_free(pixels);
    int n = 0;
    for (;; ++n) {
        glTexImage2D(GL_TEXTURE_2D, n, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        if (width == 1 && height == 1)
            break;
        const int w = std::max(width / 2, 1), h = std::max(height / 2, 1);
        half.resize(size_t(w) * size_t(h) * 4);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                for (int c = 0; c < 4; c++) {
                    auto at = [&](int sx, int sy) {
                        return int(
                            level[(size_t(std::min(sy, height - 1)) * size_t(width) + size_t(std::min(sx, width - 1))) *
                                      4 +
                                  size_t(c)]);
                    };
                    half[(size_t(y) * size_t(w) + size_t(x)) * 4 + size_t(c)] =
                        uint8_t((at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                 at(2 * x + 1, 2 * y + 1) + 2) /
                                4);
                }
        level.swap(half);
        width = w;
        height = h;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, n);
    return texture;
}

struct Vertex {
    float x, y, z, u, v, r, g, b, a;
};

// Two triangles, as the sprite batch splits a quad.
Vertex* writeQuad(Vertex* out, const Item& i)
{
    const Vertex bl{i.x, i.y, 0, i.u0, i.v1, i.r, i.g, i.b, i.a}, tl{i.x, i.y + i.h, 0, i.u0, i.v0, i.r, i.g, i.b, i.a},
        tr{i.x + i.w, i.y + i.h, 0, i.u1, i.v0, i.r, i.g, i.b, i.a},
        br{i.x + i.w, i.y, 0, i.u1, i.v1, i.r, i.g, i.b, i.a};
    const Vertex quad[6] = {bl, tl, tr, bl, tr, br};
    return std::copy(std::begin(quad), std::end(quad), out);
}

struct Run {
    int first, count, texture, mipmapped;
};

struct Floor {
    GLuint textures[2] = {}, samplers[2] = {}, still = 0, stillFramebuffer = 0, quadProgram = 0;
    GLuint buffer = 0;
    std::vector<Item> stillItems, moving;  // moving: drawn each frame, in order
    std::vector<Vertex> vertices;
    std::vector<Run> runs;
};

bool overlaps(const Item& a, const Item& b, float marginX, float marginY)
{
    auto lo = [](float p, float s) { return std::min(p, p + s); };
    auto hi = [](float p, float s) { return std::max(p, p + s); };
    return lo(a.x, a.w) - marginX < hi(b.x, b.w) && lo(b.x, b.w) < hi(a.x, a.w) + marginX &&
        lo(a.y, a.h) - marginY < hi(b.y, b.h) && lo(b.y, b.h) < hi(a.y, a.h) + marginY;
}

// Still items no earlier moving item touches go to the still picture.
void split(const Frame& frame, Floor* f)
{
    const float marginX = 2.0f / float(frame.width), marginY = 2.0f / float(frame.height);
    for (const Item& item : frame.items) {
        bool still = item.kind == 'S';
        for (const Item& m : f->moving)
            still = still && !overlaps(item, m, marginX, marginY);
        // A moving equalizer cell that is unlit changes no pixel.
        if (item.kind == 'M' && item.a <= 0.0f)
            continue;
        (still ? f->stillItems : f->moving).push_back(item);
    }
}

// Fills the vertex buffer with the items' quads and notes their runs.
void writeItems(Floor* f, const std::vector<Item>& items)
{
    Vertex* out = f->vertices.data();
    f->runs.clear();
    for (const Item& item : items) {
        const int at = int(out - f->vertices.data());
        if (f->runs.empty() || f->runs.back().texture != item.texture || f->runs.back().mipmapped != item.mipmapped)
            f->runs.push_back({at, 0, item.texture, item.mipmapped});
        f->runs.back().count += 6;
        out = writeQuad(out, item);
    }
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(out - f->vertices.data()) * GLsizeiptr(sizeof(Vertex)),
                    f->vertices.data());
}

void drawRuns(const Floor& f)
{
    for (const Run& run : f.runs) {
        glBindTexture(GL_TEXTURE_2D, f.textures[run.texture]);
        glBindSampler(0, f.samplers[run.mipmapped]);
        glDrawArrays(GL_TRIANGLES, run.first, run.count);
    }
}

bool prepare(const Frame& frame, Floor* f)
{
    for (int i = 0; i < 2; ++i)
        if (!(f->textures[i] = loadTexture(frame.textures[i])))
            return false;
    glGenSamplers(2, f->samplers);
    for (int i = 0; i < 2; ++i) {
        glSamplerParameteri(f->samplers[i], GL_TEXTURE_MIN_FILTER, i ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
        glSamplerParameteri(f->samplers[i], GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glSamplerParameteri(f->samplers[i], GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glSamplerParameteri(f->samplers[i], GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    f->quadProgram = bench::linkFloorProgram();
    if (!f->quadProgram)
        return false;
    GLuint vertexArray = 0;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &f->buffer);
    glBindBuffer(GL_ARRAY_BUFFER, f->buffer);
    const size_t most = std::max(f->stillItems.size(), f->moving.size()) * 6;
    f->vertices.resize(most);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(most * sizeof(Vertex)), nullptr, GL_DYNAMIC_DRAW);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, u)));
    glVertexAttribPointer(2, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex), reinterpret_cast<void*>(offsetof(Vertex, r)));
    for (GLuint i = 0; i < 3; i++)
        glEnableVertexAttribArray(i);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // The still picture, border included, drawn once.
    const int width = frame.width + 2 * BORDER, height = frame.height + 2 * BORDER;
    glGenTextures(1, &f->still);
    glBindTexture(GL_TEXTURE_2D, f->still);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    // Drawn where it is shown and copied: the driver rounds the same as in a frame.
    glViewport(0, 0, width, height);
    glClearColor(0.11f, 0.11f, 0.13f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(BORDER, BORDER, frame.width, frame.height);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glViewport(BORDER, BORDER, frame.width, frame.height);
    glUseProgram(f->quadProgram);
    glEnable(GL_BLEND);
    writeItems(f, f->stillItems);
    drawRuns(*f);
    glBindTexture(GL_TEXTURE_2D, f->still);
    glReadBuffer(GL_BACK);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, width, height);
    glGenFramebuffers(1, &f->stillFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, f->stillFramebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, f->still, 0);
    return glGetError() == GL_NO_ERROR;
}

void drawFrame(SDL_Window* window, const Frame& frame, Floor* f, bool present)
{
    const int width = frame.width + 2 * BORDER, height = frame.height + 2 * BORDER;
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    writeItems(f, f->moving);
    drawRuns(*f);
    if (present)
        SDL_GL_SwapWindow(window);
}

// The client area read back, compared with the picture our program read back.
std::string compare(const Frame& frame, const char* picturePath)
{
    FILE* file = std::fopen(picturePath, "rb");
    int width = 0, height = 0, top = 0;
    if (!file || std::fscanf(file, "P6 %d %d %d", &width, &height, &top) != 3 || std::fgetc(file) == EOF ||
        width != frame.width || height != frame.height) {
        if (file)
            std::fclose(file);
        return "no picture to compare with";
    }
    std::vector<uint8_t> ours(size_t(width) * size_t(height) * 3), floor(size_t(width) * size_t(height) * 4);
    const bool complete = std::fread(ours.data(), 1, ours.size(), file) == ours.size();
    std::fclose(file);
    if (!complete)
        return "the picture is cut short";
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glReadPixels(BORDER, BORDER, width, height, GL_RGBA, GL_UNSIGNED_BYTE, floor.data());
    size_t differing = 0;
    int most = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* a = &ours[(size_t(y) * size_t(width) + size_t(x)) * 3];
            const uint8_t* b = &floor[(size_t(height - 1 - y) * size_t(width) + size_t(x)) * 4];
            int d = 0;
            for (int c = 0; c < 3; ++c)
                d = std::max(d, std::abs(int(a[c]) - int(b[c])));
            differing += d > 0;
            most = std::max(most, d);
        }
    char text[128];
    std::snprintf(text, sizeof text, "%zu of %d pixels differ, by at most %d levels", differing, width * height, most);
    return text;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool depth = argc > 1 && std::strcmp(argv[1], "--depth") == 0;
    argv += depth;
    argc -= depth;
    const bool check = argc == 4 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: bench_player_floor [--depth] QUADS SEED SECONDS | [--depth] --check QUADS PICTURE\n");
        return 2;
    }
    Frame frame;
    if (!readFrame(argv[check ? 2 : 1], &frame)) {
        std::fprintf(stderr, "player floor: no frame in %s\n", argv[check ? 2 : 1]);
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return 1;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth ? 24 : 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window = SDL_CreateWindow("player floor", 10, 100, frame.width + 2 * BORDER, frame.height + 2 * BORDER,
                                          SDL_WINDOW_OPENGL | SDL_WINDOW_BORDERLESS);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context)
        return 1;
    SDL_GL_SetSwapInterval(0);
    Floor f;
    split(frame, &f);
    if (!prepare(frame, &f)) {
        std::fprintf(stderr, "player floor: cannot load the textures or draw the still picture\n");
        return 1;
    }
    if (check) {
        drawFrame(window, frame, &f, false);
        std::printf("%s\n", compare(frame, argv[3]).c_str());
        return 0;
    }

    // The bubbles from the seed take the places of the frame's, with their look.
    std::vector<Bubble> bubbles = bubblesFromSeed(uint32_t(std::strtoul(argv[2], nullptr, 10)));
    std::vector<size_t> slots;
    for (size_t i = 0; i < f.moving.size(); ++i)
        if (f.moving[i].kind == 'B')
            slots.push_back(i);
    bubbles.resize(std::min(bubbles.size(), slots.size()));
    const double seconds = std::atof(argv[3]);
    const int64_t begin = bench::monotonicNanos(), end = begin + int64_t(seconds * 1e9);
    int64_t last = begin;
    bool first = true;
    bench::countFramesOnRequest();
    while (bench::monotonicNanos() < end) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
        const int64_t now = bench::monotonicNanos();
        const float delta = float(double(now - last) / 1e9);
        last = now;
        for (size_t i = 0; i < bubbles.size(); ++i) {
            Bubble& b = bubbles[i];
            b.x += delta * b.speed * 0.01f;
            Item& item = f.moving[slots[i]];
            item.x = b.x;
            item.y = b.y;
            item.w = b.size;
            item.h = b.size * frame.aspect;
            if (b.x - b.size > 1.0f)
                b.x = -1.0f - b.size;
        }
        drawFrame(window, frame, &f, true);
        bench::answerFrameCount();
        if (first) {
            std::printf("ready\n");
            std::fflush(stdout);
            first = false;
        }
        const int64_t next = now + 20000000 - bench::monotonicNanos();
        if (next > 0)
            SDL_Delay(uint32_t(next / 1000000));
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
