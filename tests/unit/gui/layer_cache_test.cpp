#include <gtest/gtest.h>

#include <vector>

#include "gui/layer_cache.h"

namespace {

gpu::Texture* const PICTURE = reinterpret_cast<gpu::Texture*>(0x1000);
// Any non-null pointer will do: planLayer only asks whether a target exists.
gpu::Texture* const TARGET = reinterpret_cast<gpu::Texture*>(0x2000);

DrawItem quad(float x, float y, float w, float h, float depth = 1.0f)
{
    return DrawItem{1, 1, 1, 1, 0, 0, 1, 1, x, y, w, h, PICTURE, depth};
}

const DrawItem BACKGROUND = quad(-1, -1, 2, 2);
const DrawItem PANEL = quad(0.2f, -0.9f, 0.7f, 1.4f, 0.6f);

struct Plan {
    LayerUse use;
    std::vector<uint8_t> inLayer;
};

struct LayerCacheTest : ::testing::Test {
    LayerCache cache;

    Plan frame(const std::vector<DrawItem>& ordered)
    {
        Plan plan;
        plan.use = planLayer(cache, ordered, 800.0f, 300.0f, &plan.inLayer);
        if (plan.use == LayerUse::Build) {
            cache.target = TARGET;
            buildDone(cache);
        }
        return plan;
    }

    // Frames until the first Build; -1 if none comes within 100.
    int framesUntilBuild(const std::vector<DrawItem>& ordered)
    {
        for (int i = 1; i <= 100; ++i)
            if (frame(ordered).use == LayerUse::Build)
                return i;
        return -1;
    }
};

TEST_F(LayerCacheTest, StillItemsBecomeALayerAndAreReusedWhileTheyStay)
{
    std::vector<DrawItem> ordered = {BACKGROUND, PANEL};
    EXPECT_EQ(framesUntilBuild(ordered), 25);
    EXPECT_EQ(cache.held.size(), 2u);
    for (int i = 0; i < 5; ++i) {
        Plan plan = frame(ordered);
        EXPECT_EQ(plan.use, LayerUse::Reuse);
        EXPECT_EQ(plan.inLayer, (std::vector<uint8_t>{1, 1}));
    }
    // Without a target (lost with the device) the layer is drawn again.
    cache.target = nullptr;
    EXPECT_EQ(frame(ordered).use, LayerUse::Build);
}

TEST_F(LayerCacheTest, MovingItemsStayOutAndSoDoesWhatCoversThem)
{
    // Draw order: background, a moving bubble, a still badge on the bubble, a still
    // badge elsewhere, then a title that changes every frame.
    const DrawItem badgeOnBubble = quad(-0.5f, -0.5f, 0.1f, 0.1f, 0.5f);
    const DrawItem badgeElsewhere = quad(0.5f, 0.5f, 0.1f, 0.1f, 0.5f);
    Plan plan;
    for (int i = 0; i < 40; ++i) {
        const DrawItem bubble = quad(-0.6f + 0.001f * float(i), -0.6f, 0.3f, 0.3f, 0.7f);
        const DrawItem title = quad(-0.9f, 0.8f, 0.01f * float(i + 1), 0.1f, 0.2f);
        plan = frame({BACKGROUND, bubble, badgeOnBubble, badgeElsewhere, title});
    }
    EXPECT_EQ(plan.use, LayerUse::Reuse);
    EXPECT_EQ(plan.inLayer, (std::vector<uint8_t>{1, 0, 0, 1, 0}));
    // A still item one pixel clear of a moving one (a pixel is 2/800 units wide)
    // may join; one touching it may not.
    LayerCache fresh;
    cache = fresh;
    for (int i = 0; i < 30; ++i) {
        const DrawItem mover = quad(0.0f, -1.0f, 0.5f, 0.2f + 0.001f * float(i), 0.7f);
        plan = frame({BACKGROUND, mover, quad(0.5051f, -1.0f, 0.1f, 0.1f, 0.5f), quad(0.504f, -0.95f, 0.1f, 0.1f, 0.5f)});
    }
    EXPECT_EQ(plan.inLayer, (std::vector<uint8_t>{1, 0, 1, 0}));
}

TEST_F(LayerCacheTest, AHeldItemThatChangesOrIsNowCoveredEndsTheReuse)
{
    std::vector<DrawItem> ordered = {BACKGROUND, PANEL};
    ASSERT_EQ(framesUntilBuild(ordered), 25);
    // The panel lights up: the background alone is the new layer, at once.
    DrawItem lit = PANEL;
    lit.g = 0.5f;
    Plan plan = frame({BACKGROUND, lit});
    EXPECT_EQ(plan.use, LayerUse::Build);
    EXPECT_EQ(plan.inLayer, (std::vector<uint8_t>{1, 0}));
    EXPECT_EQ(frame({BACKGROUND, lit}).use, LayerUse::Reuse);

    // Something new drawn between the background and the panel, under the panel:
    // the panel may no longer go ahead of it.
    cache = LayerCache{};
    ASSERT_EQ(framesUntilBuild(ordered), 25);
    plan = frame({BACKGROUND, quad(0.3f, -0.5f, 0.2f, 0.2f, 0.8f), PANEL});
    EXPECT_NE(plan.use, LayerUse::Reuse);
    EXPECT_EQ(plan.inLayer[2], 0);
}

TEST_F(LayerCacheTest, ALayerSmallerThanTheScreenIsNotWorthTheCopy)
{
    std::vector<DrawItem> ordered = {quad(-1, -1, 2, 1.9f), PANEL};
    EXPECT_EQ(framesUntilBuild(ordered), 25) << "the two together cover more than the screen";
    cache = LayerCache{};
    EXPECT_EQ(framesUntilBuild({PANEL, quad(-1, -1, 0.5f, 0.5f)}), -1);
}

TEST_F(LayerCacheTest, ForgettingStartsTheCountAgain)
{
    std::vector<DrawItem> ordered = {BACKGROUND};
    ASSERT_EQ(framesUntilBuild(ordered), 25);
    forgetLayers(cache);
    EXPECT_TRUE(cache.held.empty());
    EXPECT_EQ(framesUntilBuild(ordered), 25);
}

} // namespace
