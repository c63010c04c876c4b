// The closing of the three screens that quit with a music fade, as one table over
// the screens and the ways each starts it.
#include "scene_fixture.h"

namespace {

constexpr float ASPECT = 820.0f / 320.0f;

// Lower-left corner and size of a player button as the screen lays it out (the
// height before the aspect scaling).
struct ButtonPlace {
    float x, y, w, h;
};
constexpr ButtonPlace EXIT_BUTTON = {0.28f, -0.68f, 0.09f, 0.033f};
constexpr ButtonPlace CLOSE_BUTTON = {0.912f, 0.77f, 0.05f, 0.046f};
constexpr ButtonPlace INFO_BUTTON = {0.28f, -0.395f, 0.09f, 0.033f};
constexpr ButtonPlace ABOUT_BUTTON = {0.28f, -0.535f, 0.13f, 0.033f};

enum class Trigger { Escape, ExitButton, CloseButton };

struct ClosingCase {
    const char* name;
    uint32_t screen;
    Trigger trigger;
};

constexpr ClosingCase CLOSING_CASES[] = {
    {"player, Escape", MAIN_SCENE, Trigger::Escape},
    {"player, Exit button", MAIN_SCENE, Trigger::ExitButton},
    {"player, close button", MAIN_SCENE, Trigger::CloseButton},
    {"information, Escape", INFO_SCENE, Trigger::Escape},
    {"about, Escape", ABOUT_SCENE, Trigger::Escape},
};

struct ClosingTest : SceneFixture {
    const ClosingState& closingOf(uint32_t screen)
    {
        if (screen == MAIN_SCENE)
            return player->closingState;
        return screen == INFO_SCENE ? info->closingState : about->closingState;
    }
    const SceneFade& fadeOf(uint32_t screen)
    {
        if (screen == MAIN_SCENE)
            return player->fade;
        return screen == INFO_SCENE ? info->fade : about->fade;
    }

    // Hover, press and release in frames that take no time, so the fade stands still.
    void clickAt(const ButtonPlace& b)
    {
        moveMouse(b.x + b.w * 0.5f, b.y + b.h * ASPECT * 0.5f);
        frame(0.0f);
        input.leftButton = true;
        frame(0.0f);
        input.leftButton = false;
        frame(0.0f);
    }
    void start(Trigger trigger)
    {
        if (trigger == Trigger::Escape)
            tap(os::VK_ESCAPE, 0.0f);
        else
            clickAt(trigger == Trigger::ExitButton ? EXIT_BUTTON : CLOSE_BUTTON);
    }
    // Every way a screen asks for another one: the keys, a click (on the player:
    // its Info and About buttons; elsewhere a click anywhere returns to the player).
    void askForOtherScreens()
    {
        tap('A', 0.0f);
        tap('I', 0.0f);
        clickAt(INFO_BUTTON);
        clickAt(ABOUT_BUTTON);
    }
    bool anyActive() const
    {
        for (uint32_t n = 1; n < SCENE_COUNT; ++n)
            if (isActive(n))
                return true;
        return false;
    }
};

TEST_F(ClosingTest, EndsTheProgramWithAMusicFadeWhateverIsAskedDuringIt)
{
    for (const ClosingCase& c : CLOSING_CASES) {
        SCOPED_TRACE(c.name);
        // Fresh screens and tracks; the device, renderer, timer and input stay.
        app.closingStarted = false;
        musicLibrary = MusicLibrary{};
        hotWidget = 0;
        activeWidget = 0;
        loadTracks({"First Light", "Harbour", "Chip Tune"});
        app.scenes = scenesWithoutDisk();
        player = static_cast<MainScene*>(app.scenes[MAIN_SCENE].get());
        about = static_cast<AboutScene*>(app.scenes[ABOUT_SCENE].get());
        info = static_cast<InfoScene*>(app.scenes[INFO_SCENE].get());
        show(c.screen);
        frames(2, 1.0f);  // fully shown

        start(c.trigger);
        EXPECT_TRUE(closingOf(c.screen).closing);
        EXPECT_TRUE(fadeOf(c.screen).fadingOut);
        EXPECT_EQ(closingOf(c.screen).savedVolume, 40u);
        EXPECT_EQ(app.requestedScene, c.screen) << "the closing asks for no screen";

        frame(0.25f);  // alpha 0.75
        askForOtherScreens();
        EXPECT_EQ(app.requestedScene, c.screen) << "requests during the closing are ignored";
        // A second start changes nothing: the saved volume is not a faded one.
        start(c.trigger);
        EXPECT_EQ(closingOf(c.screen).savedVolume, 40u);
        EXPECT_FLOAT_EQ(fadeOf(c.screen).alpha, 0.75f);
        // The playback keys still work during the fade.
        tap(os::VK_RIGHT, 0.0f);
        EXPECT_EQ(musicLibrary.currentTrack, 1);

        frame(0.5f);  // alpha 0.25: the volume follows it down
        EXPECT_EQ(platform.audio.volume, 25u);
        platform.log().clear();
        frame(0.25f);  // 0: inactive, the music stopped, the volume back
        EXPECT_FALSE(anyActive()) << "no screen is left: the main loop ends";
        EXPECT_EQ(app.requestedScene, app.currentScene);
        long stop = platform.log().find("audio.channelStop " + std::to_string(musicLibrary.channels[1]));
        ASSERT_GE(stop, 0);
        EXPECT_EQ(platform.log().calls[size_t(stop + 1)], "os.sleep 10");
        EXPECT_EQ(platform.audio.volume, 40u);
        EXPECT_EQ(platform.audio.channel(musicLibrary.channels[1])->state, audio::ACTIVE_STOPPED);
    }
}

// The player's buttons work while it fades out: its Exit clicked during the
// cross-fade to the about screen ends the program, and the about screen, still
// fading in, goes with it.
TEST_F(ClosingTest, ExitOnThePlayerFadingOutTakesTheNewScreenWithIt)
{
    show(MAIN_SCENE);
    frames(2, 1.0f);
    tap('A', 0.0f);
    frame(0.25f);
    ASSERT_EQ(app.currentScene, ABOUT_SCENE);
    clickAt(EXIT_BUTTON);  // the about screen also sees the click and asks for the player
    EXPECT_TRUE(player->closingState.closing);
    EXPECT_EQ(app.requestedScene, ABOUT_SCENE);
    EXPECT_TRUE(about->fade.fadingOut);
    frames(3, 0.5f);
    EXPECT_FALSE(anyActive());
    EXPECT_EQ(platform.audio.volume, 40u);
}

} // namespace
