#include "disk/disk_location.h"

#include <filesystem>
#include <system_error>

#include "app/command_line.h"
#include "disk/disk_files.h"

namespace fs = std::filesystem;

static bool holdsDisk(const fs::path& folder)
{
    std::error_code error;
    return fs::is_regular_file(folder / DISK_CONTENT_FILE, error);
}

static DiskLocation found(const fs::path& folder)
{
    return {DiskLocation::Outcome::Found, folder.lexically_normal().string(), {}};
}

// "disk/", "disk/data" and "disk/data/" all name the same disk.
static fs::path withoutTrailingSlash(const fs::path& path)
{
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path() && normal != normal.root_path())
        return normal.parent_path();
    return normal;
}

DiskLocation findDisk(const std::string& diskOption, const std::string& workingFolder, const std::string& executable)
{
    if (!diskOption.empty()) {
        fs::path folder = withoutTrailingSlash(fs::path(workingFolder) / diskOption);
        if (holdsDisk(folder))
            return found(folder);
        std::error_code error;
        if (folder.filename() == DISK_DATA_FOLDER &&
            fs::is_regular_file(folder / inDataFolder(DISK_CONTENT_FILE), error))
            return found(folder.parent_path());
        std::string problem = fs::is_directory(folder, error)
            ? "no disk in '" + diskOption + "': it holds no " + DISK_CONTENT_FILE
            : "no folder '" + diskOption + "'";
        return {DiskLocation::Outcome::BadOption, {}, commandLineError(problem)};
    }
    if (holdsDisk(workingFolder))
        return found(workingFolder);
    std::string looked = "the working folder " + workingFolder;
    if (!executable.empty()) {
        fs::path installed = fs::path(executable).parent_path() / INSTALLED_DISK;
        if (holdsDisk(installed))
            return found(installed);
        looked += " and " + installed.lexically_normal().string() + " beside the program";
    }
    // A damaged disk (data/ without its content file) where the program starts
    // runs as before, so its own messages say what is missing.
    std::error_code error;
    if (fs::is_directory(fs::path(workingFolder) / DISK_DATA_FOLDER, error))
        return found(workingFolder);
    return {DiskLocation::Outcome::NotFound,
            {},
            "No music disk found: looked for " + std::string(DISK_CONTENT_FILE) + " in " + looked +
                ". Start musicdisk with --disk DIR to play the disk in DIR."};
}
