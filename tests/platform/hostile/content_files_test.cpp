// Each content file of a disk missing, empty, cut short or replaced by random
// bytes, run through the whole program with the real services: the messages the
// user sees, and a program that keeps running and quits with Escape (or, without
// a font, ends by itself as it must).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "disk/music_library.h"
#include "tests/platform/hostile/hostile_disk.h"

namespace hostile {
namespace {

const std::string EFFECT_FAILED = "Failed to create effect gui.fx";
const std::string NO_TECHNIQUE = "No such technique GUI in gui.fx";
const std::string NO_FONT = "Failed to create default font";
const std::string TRACK_FAILED = "Failed to load music file. Sorry.";
const std::string UNSUPPORTED = "Unsupported song type";

// The four ways a file breaks, applied to one path of the disk.
enum class Damage { Missing, Empty, Truncated, Random, Folder };
const Damage ALL_DAMAGE[] = {Damage::Missing, Damage::Empty, Damage::Truncated, Damage::Random, Damage::Folder};

const char* nameOf(Damage damage)
{
    switch (damage) {
    case Damage::Missing:
        return "missing";
    case Damage::Empty:
        return "empty";
    case Damage::Truncated:
        return "truncated";
    case Damage::Random:
        return "random bytes";
    case Damage::Folder:
        return "a folder";
    }
    return "?";
}

class ContentFiles : public HostileDisk {
protected:
    void damage(const std::string& path, Damage how)
    {
        switch (how) {
        case Damage::Missing:
            removePath(path);
            break;
        case Damage::Empty:
            writeFile(path, "");
            break;
        case Damage::Truncated:
            truncateFile(path, readFile(path).size() / 2);
            break;
        case Damage::Random:
            writeRandomBytes(path, 4096, 17);
            break;
        case Damage::Folder:
            removePath(path);
            std::filesystem::create_directory(path);
            break;
        }
    }

    // Runs the disk with the file damaged in every way, from a fresh copy each time.
    template <typename Check>
    void forEachDamage(const std::string& path, Check check)
    {
        const std::string original = readFile(path);
        for (Damage how : ALL_DAMAGE) {
            SCOPED_TRACE(path + " " + nameOf(how));
            removePath(path);
            writeFile(path, original);
            damage(path, how);
            check(how);
        }
    }
};

TEST_F(ContentFiles, BundledDiskShowsNoMessageAndQuitsWithEscape) { expectRunsAndQuits({}); }

// Without the content file the disk has no tracks and no text: silent, and the
// player still runs.
TEST_F(ContentFiles, BrokenContentFileLeavesADiskWithoutTracks)
{
    forEachDamage("data/disk.cfg", [&](Damage how) {
        if (how != Damage::Truncated) {
            expectRunsAndQuits({});
            return;
        }
        // Cut three bytes into the third record's file name: that file is not
        // found, and the fourth record is missing altogether.
        std::string original = readFile(sourceRoot + "/data/disk.cfg");
        size_t cut = 0;
        for (int line = 0; line < 8; ++line)
            cut = original.find('\n', cut) + 1;
        writeFile("data/disk.cfg", original.substr(0, cut + 3));
        expectRunsAndQuits({TRACK_FAILED, UNSUPPORTED, TRACK_FAILED});
    });
}

TEST_F(ContentFiles, BrokenEffectIsReportedOnceAndTheProgramRunsOn)
{
    forEachDamage("data/gui.fx", [&](Damage) { expectRunsAndQuits({EFFECT_FAILED}); });
}

TEST_F(ContentFiles, EffectWithoutTheGuiTechniqueIsNamed)
{
    std::string effect = readFile("data/gui.fx");
    effect.replace(effect.find("technique GUI"), 13, "technique Gui");
    writeFile("data/gui.fx", effect);
    expectRunsAndQuits({NO_TECHNIQUE});
}

TEST_F(ContentFiles, EffectWhoseShaderDoesNotCompileIsReported)
{
    std::string effect = readFile("data/gui.fx");
    effect.replace(effect.find("pixel = texture(texture_0, uv) * tint;"), 38, "pixel = undeclared_name * tint;");
    writeFile("data/gui.fx", effect);
    expectRunsAndQuits({EFFECT_FAILED});
}

// Without a font the program asks to quit: one message, then it ends by itself.
TEST_F(ContentFiles, BrokenFontEndsTheProgramAfterOneMessage)
{
    forEachDamage("data/font.png", [&](Damage) {
        const RunResult run = runDisk();
        EXPECT_EQ(run.messages, std::vector<std::string>{NO_FONT});
        EXPECT_TRUE(run.quitRequested);
        EXPECT_FALSE(run.hung);
        EXPECT_LT(run.frames, escapeThreeTimes().front().frame);
    });
}

TEST_F(ContentFiles, BrokenArtworkIsSilentAndTheProgramRunsOn)
{
    forEachDamage("data/velta.png", [&](Damage) { expectRunsAndQuits({}); });
}

TEST_F(ContentFiles, ImagesTooLargeForTheDeviceAreRefused)
{
    writeFile("data/velta.png", pngHeaderClaiming(16384, 16384));
    expectRunsAndQuits({});
    writeFile("data/font.png", pngHeaderClaiming(16384, 16384));
    EXPECT_EQ(runDisk().messages, std::vector<std::string>{NO_FONT});
}

// The atlases are cut in fractions of their size, so any size serves.
TEST_F(ContentFiles, ImagesThatDoNotDivideIntoCellsStillLoad)
{
    writeFile("data/font.png", pngOfSize(1001, 997));
    writeFile("data/velta.png", pngOfSize(1023, 1021));
    expectRunsAndQuits({});
}

TEST_F(ContentFiles, WithoutTheMusicFolderEveryTrackIsReported)
{
    removePath("data/music");
    expectRunsAndQuits({TRACK_FAILED, TRACK_FAILED, TRACK_FAILED, TRACK_FAILED});
    writeFile("data/music", "not a folder");
    expectRunsAndQuits({TRACK_FAILED, TRACK_FAILED, TRACK_FAILED, TRACK_FAILED});
}

} // namespace
} // namespace hostile
