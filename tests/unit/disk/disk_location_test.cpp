// Where the disk is found: the --disk folder (or its data/), the working folder,
// the disk installed beside the program, in that order.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "disk/disk_location.h"
#include "tests/support/unprivileged_reader.h"

namespace fs = std::filesystem;

namespace {

struct DiskLocationTest : ::testing::Test {
    fs::path root = fs::temp_directory_path() / ("md_disks_" + std::to_string(getpid()));

    DiskLocationTest() { fs::create_directories(root); }
    ~DiskLocationTest() override { fs::remove_all(root); }

    // A folder holding data/disk.cfg.
    std::string disk(const std::string& name)
    {
        fs::create_directories(root / name / "data");
        std::ofstream(root / name / "data" / "disk.cfg") << "1\n";
        return (root / name).string();
    }
    std::string folder(const std::string& name)
    {
        fs::create_directories(root / name);
        return (root / name).string();
    }
};

// The folder found, else what was said instead.
std::string foundFolder(const DiskLocation& location)
{
    return location.outcome == DiskLocation::Outcome::Found ? location.folder : "not found: " + location.error;
}

TEST_F(DiskLocationTest, TheDiskOptionComesFirstAndTakesTheDiskOrItsDataFolder)
{
    std::string chosen = disk("chosen");
    std::string working = disk("working");
    std::string program = disk("usr/share/musicdisk");
    std::string executable = folder("usr/bin") + "/musicdisk";
    for (const std::string& option : {chosen, chosen + "/", chosen + "/data", chosen + "/data/", chosen + "/./data"}) {
        EXPECT_EQ(foundFolder(findDisk(option, working, executable)), chosen) << option;
    }
    // Relative to the working folder.
    DiskLocation relative = findDisk("../chosen/data", working, executable);
    EXPECT_EQ(relative.folder, chosen);
}

TEST_F(DiskLocationTest, ADiskOptionWithoutADiskIsABadCommandLine)
{
    std::string working = disk("working");
    folder("empty/data");
    DiskLocation empty = findDisk(root.string() + "/empty", working, "");
    EXPECT_EQ(empty.outcome, DiskLocation::Outcome::BadOption);
    EXPECT_EQ(empty.error, "musicdisk: no disk in '" + root.string() +
                               "/empty': it holds no data/disk.cfg (see 'musicdisk --help')");
    DiskLocation missing = findDisk("nowhere", working, "");
    EXPECT_EQ(missing.outcome, DiskLocation::Outcome::BadOption);
    EXPECT_EQ(missing.error, "musicdisk: no folder 'nowhere' (see 'musicdisk --help')");
    // A disk.cfg that is a folder is no disk.
    folder("odd/data/disk.cfg");
    EXPECT_EQ(findDisk(root.string() + "/odd", working, "").outcome, DiskLocation::Outcome::BadOption);
    // A data folder is only taken as such by its name.
    std::string notData = folder("notdata");
    std::ofstream(notData + "/disk.cfg") << "1\n";
    EXPECT_EQ(findDisk(notData, working, "").outcome, DiskLocation::Outcome::BadOption);
}

TEST_F(DiskLocationTest, TheWorkingFolderBeforeTheInstalledDisk)
{
    std::string working = disk("working");
    disk("usr/share/musicdisk");
    std::string executable = folder("usr/bin") + "/musicdisk";
    EXPECT_EQ(foundFolder(findDisk("", working, executable)), working);
}

TEST_F(DiskLocationTest, TheInstalledDiskIsFoundFromTheProgramsOwnFolder)
{
    std::string home = folder("home");
    std::string installed = disk("opt/unpacked/share/musicdisk");
    std::string executable = folder("opt/unpacked/bin") + "/musicdisk";
    EXPECT_EQ(foundFolder(findDisk("", home, executable)), installed);
}

TEST_F(DiskLocationTest, NoDiskAnywhereNamesThePlacesLookedAt)
{
    std::string home = folder("home");
    std::string executable = folder("opt/bin") + "/musicdisk";
    DiskLocation none = findDisk("", home, executable);
    EXPECT_EQ(none.outcome, DiskLocation::Outcome::NotFound);
    EXPECT_EQ(none.error, "No music disk found: looked for data/disk.cfg in the working folder " + home + " and " +
                              root.string() + "/opt/share/musicdisk beside the program. Start musicdisk with "
                              "--disk DIR to play the disk in DIR.");
    DiskLocation unknownProgram = findDisk("", home, "");
    EXPECT_EQ(unknownProgram.outcome, DiskLocation::Outcome::NotFound);
    EXPECT_EQ(unknownProgram.error, "No music disk found: looked for data/disk.cfg in the working folder " + home +
                                        ". Start musicdisk with --disk DIR to play the disk in DIR.");
}

TEST_F(DiskLocationTest, ADamagedDiskInTheWorkingFolderComesAfterTheInstalledOne)
{
    std::string damaged = folder("damaged/data");
    damaged = (root / "damaged").string();
    std::string bare = folder("bare/bin") + "/musicdisk";
    EXPECT_EQ(foundFolder(findDisk("", damaged, bare)), damaged);

    std::string installed = disk("usr/share/musicdisk");
    std::string executable = folder("usr/bin") + "/musicdisk";
    EXPECT_EQ(foundFolder(findDisk("", damaged, executable)), installed);
}

TEST_F(DiskLocationTest, PathsInMessagesStayOneReadableLine)
{
    std::string working = disk("working");
    // A line feed and bytes that are not UTF-8 are escaped; UTF-8 stays as it is.
    folder("caf\xC3\xA9\nline\xFF");
    DiskLocation odd = findDisk(root.string() + "/caf\xC3\xA9\nline\xFF", working, "");
    EXPECT_EQ(odd.error,
              "musicdisk: no disk in '" + root.string() +
                  "/caf\xC3\xA9\\nline\\xFF': it holds no data/disk.cfg (see 'musicdisk --help')");
    std::string home = folder("home\tfolder");
    EXPECT_NE(findDisk("", home, "").error.find("the working folder " + root.string() + "/home\\tfolder."),
              std::string::npos);

    // A path of thousands of characters keeps its start and its end.
    const std::string longPath = "start/" + std::string(4000, 'x') + "/end";
    DiskLocation tooLong = findDisk(longPath, working, "");
    EXPECT_LT(tooLong.error.size(), 300u) << tooLong.error;
    EXPECT_EQ(tooLong.error.rfind("musicdisk: no folder 'start/xxx", 0), 0u) << tooLong.error;
    EXPECT_NE(tooLong.error.find("xxx...xxx"), std::string::npos) << tooLong.error;
    EXPECT_NE(tooLong.error.find("xxx/end' (see"), std::string::npos) << tooLong.error;
}

TEST_F(DiskLocationTest, AFolderThatCannotBeReadIsSaidToBeSo)
{
    std::string working = disk("working");
    std::string locked = disk("locked");
    std::string lockedHome = folder("locked home");
    UnprivilegedReader reader;
    if (!reader.active())
        GTEST_SKIP() << "cannot take away root's file permission override";
    chmod(locked.c_str(), 0);
    chmod(lockedHome.c_str(), 0);
    DiskLocation option = findDisk(locked, working, "");
    DiskLocation workingFolder = findDisk("", lockedHome, "");
    chmod(locked.c_str(), 0755);
    chmod(lockedHome.c_str(), 0755);

    EXPECT_EQ(option.outcome, DiskLocation::Outcome::BadOption);
    EXPECT_EQ(option.error,
              "musicdisk: cannot read the folder '" + locked + "': Permission denied (see 'musicdisk --help')");
    EXPECT_EQ(workingFolder.outcome, DiskLocation::Outcome::NotFound);
    EXPECT_NE(workingFolder.error.find("the working folder " + lockedHome + " (cannot be read: Permission denied)"),
              std::string::npos)
        << workingFolder.error;
}

} // namespace
