// A title of 100 KB and a scroll text of 10 MB, shown and scrolled by the real
// program: what one frame submits stays small wherever the text stands (the text
// helpers stop at the edges of their box and of the screen), and the frame's
// cost is printed for each position. Nothing here asserts a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "disk/music_library.h"
#include "gui/sprite_batch.h"
#include "scenes/about_scene.h"
#include "tests/platform/hostile/hostile_disk.h"

namespace hostile {
namespace {

// Far more than the most a screen of text needs: the bubbles, the frames and a
// few hundred glyphs.
constexpr size_t MAX_ITEMS_PER_FRAME = 2000;

// Frames watched at each position after it is set, and the ones skipped first.
constexpr uint32_t SETTLE_FRAMES = 3;
constexpr uint32_t WATCHED_FRAMES = 20;

struct Phase {
    const char* name;
    uint32_t firstFrame;  // where the position is set
    std::vector<double> milliseconds;
    size_t maxItems = 0;
};

// Word-wrapped lines of words, with a 100 KB word (no blank to break at) every
// megabyte, the first at the very top where it is seen at once.
std::string tenMegabyteText()
{
    const std::string longWord(100 * 1024, 'W');
    std::string text = longWord + "\n";
    const std::string line = "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG AND SINGS A SONG OF 42 NOTES\n";
    while (text.size() < (10u << 20)) {
        text += line;
        if (text.size() % (1u << 20) < line.size())
            text += longWord + "\n";
    }
    return text;
}

std::string hundredKilobyteTitle()
{
    std::string title;
    while (title.size() < 100 * 1024)
        title += "A VERY LONG TITLE INDEED ";
    return title;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

TEST_F(HostileDisk, HugeTitleAndScrollTextKeepFramesSmall)
{
    const std::string title = hundredKilobyteTitle();
    writeFile("data/disk.cfg", "1\nmod\nneon_cartridge.mod\n" + title + "\n" + tenMegabyteText());

    // Player from frame 30, about screen from frame 160, quit at 300.
    std::vector<Phase> phases = {{"player, title at its start", 40, {}},
                                 {"player, title half through", 70, {}},
                                 {"player, title at its end, keypad + held", 100, {}},
                                 {"about, text at its start", 160, {}},
                                 {"about, text half through", 190, {}},
                                 {"about, text at its end, keypad + held", 220, {}}};
    std::vector<ScriptedKey> keys = {{5, os::VK_ESCAPE}, {20, os::VK_ESCAPE},      {100, os::VK_ADD, 25},
                                     {130, 'A'},         {220, os::VK_ADD, 25}, {300, os::VK_ESCAPE}};

    auto last = std::chrono::steady_clock::now();
    const RunResult run = runDisk(keys, [&](uint32_t frame) {
        const auto now = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
        MusicLibrary& library = musicLibrary;
        if (frame == 70 && library.hasTracks())
            library.titleScroll[0] = library.titleWidths[0] * 0.5f;
        if (frame == 100 && library.hasTracks())
            library.titleScroll[0] = library.titleWidths[0] - 0.5f;
        if (frame == 190)
            aboutScrollOffset = library.scrollTextHeight * 0.5f;
        if (frame == 220)
            aboutScrollOffset = library.scrollTextHeight + 0.3f;
        for (Phase& phase : phases) {
            if (frame >= phase.firstFrame + SETTLE_FRAMES && frame < phase.firstFrame + SETTLE_FRAMES + WATCHED_FRAMES) {
                phase.milliseconds.push_back(ms);
                phase.maxItems = std::max(phase.maxItems, spriteBatch ? spriteBatch->ordered.size() : 0);
            }
        }
    });

    EXPECT_TRUE(run.messages.empty());
    EXPECT_FALSE(run.hung);
    EXPECT_EQ(run.disk.titles.size(), 1u);
    EXPECT_GE(run.disk.scrollBytes, 10u << 20);
    std::printf("%-42s %12s %10s %10s\n", "frame (real services, offscreen)", "median ms", "max ms", "max items");
    for (const Phase& phase : phases) {
        ASSERT_EQ(phase.milliseconds.size(), WATCHED_FRAMES) << phase.name;
        std::printf("%-42s %12.2f %10.2f %10zu\n", phase.name, median(phase.milliseconds),
                    *std::max_element(phase.milliseconds.begin(), phase.milliseconds.end()), phase.maxItems);
        EXPECT_GT(phase.maxItems, 0u) << phase.name;
        EXPECT_LT(phase.maxItems, MAX_ITEMS_PER_FRAME) << phase.name;
    }
}

} // namespace
} // namespace hostile
