#include "scene_fixture.h"

namespace {

struct InfoSceneTest : SceneFixture {
    InfoSceneTest()
    {
        show(INFO_SCENE);
        platform.log().clear();
    }
};

TEST_F(InfoSceneTest, OneFrameDrawsBackgroundDecorationsAndTheNineHelpLines)
{
    frame(0.4f);
    std::vector<DrawItem>& it = items();
    ASSERT_GT(it.size(), 4u);
    expectQuad(it[0], {-1, -1, 2, 2, 0, 0, 0.7979f, 0.3105f, 1.0f}, "background");
    expectQuad(it[1], {0.46f, -0.95f, 0.43f, 0.177f, 0, 0.361f, 0.146f, 0.381f, 1.0f}, "decoration 1");
    expectQuad(it[2], {0.65f, -0.8f, 0.35f, 1.55f, 0.86621f, 0.015625f, 0.99218f, 0.2871f, 1.0f}, "decoration 2");
    expectQuad(it[3], {-0.4f, 0.5f, 0.3f, 0.2f, 0.3203f, 0.95703f, 0.4746f, 0.999f, 1.0f}, "decoration 3");
    for (const DrawItem& item : it)
        EXPECT_FLOAT_EQ(item.a, 0.4f);
    // Each line starts a new row of glyphs at its own position.
    struct Start {
        float x, y;
    };
    std::vector<Start> starts;
    for (size_t i = 4; i < it.size(); ++i) {
        EXPECT_EQ(it[i].texture, fontTexture);
        EXPECT_FLOAT_EQ(it[i].depth, 0.9f);
        EXPECT_FLOAT_EQ(it[i].height, 0.037f * 820.0f / 320.0f);
        if (i == 4 || it[i].y != it[i - 1].y)
            starts.push_back({it[i].x, it[i].y});
    }
    std::vector<Start> expected = {{-0.375f, 0.35f}, {-0.375f, 0.23f}, {-0.38f, 0.11f},
                                   {-0.38f, -0.01f}, {-0.38f, -0.13f}, {-0.38f, -0.25f},
                                   {-0.38f, -0.37f}, {-0.38f, -0.49f}, {-0.383f, -0.61f}};
    ASSERT_EQ(starts.size(), expected.size());
    for (size_t i = 0; i < starts.size(); ++i) {
        EXPECT_FLOAT_EQ(starts[i].x, expected[i].x);
        EXPECT_FLOAT_EQ(starts[i].y, expected[i].y);
    }
    // "Play/Stop - Enter" has 17 drawable characters (the slash, dash and spaces included).
    size_t firstLine = size_t(std::count_if(it.begin(), it.end(), [](const DrawItem& i) { return i.y == 0.35f; }));
    EXPECT_EQ(firstLine, 17u);
}

TEST_F(InfoSceneTest, AGoesToAboutAndIStays)
{
    tap('I');
    EXPECT_EQ(app.requestedScene, INFO_SCENE);
    EXPECT_FALSE(info->fade.fadingOut);
    tap('A');
    EXPECT_EQ(app.requestedScene, ABOUT_SCENE);
    // Left during the fade-in: out from full opacity.
    EXPECT_FLOAT_EQ(info->fade.alpha, 1.0f);
    EXPECT_TRUE(info->fade.fadingOut);
}

TEST_F(InfoSceneTest, AClickAnywhereReturnsToThePlayer)
{
    moveMouse(-0.3f, 0.35f);  // on the help text
    input.leftButton = true;
    frame();
    EXPECT_EQ(app.requestedScene, INFO_SCENE) << "a press alone does nothing";
    input.leftButton = false;
    frame();
    EXPECT_EQ(app.requestedScene, MAIN_SCENE);
}

} // namespace
