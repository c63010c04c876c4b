#include "disk/disk_location.h"

#include <filesystem>
#include <system_error>

#include "app/command_line.h"
#include "app/visible_text.h"
#include "disk/disk_files.h"

namespace fs = std::filesystem;

// Whether the file is there; *unreadable is set when a folder on its way cannot be
// searched (no permission, a loop of links, an I/O error), not when it is missing.
static bool isFile(const fs::path& path, std::error_code* unreadable)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error && error != std::errc::no_such_file_or_directory && error != std::errc::not_a_directory && !*unreadable)
        *unreadable = error;
    return fs::is_regular_file(status);
}

static bool holdsDisk(const fs::path& folder, std::error_code* unreadable)
{
    return isFile(folder / DISK_CONTENT_FILE, unreadable);
}

// "the working folder /home/x", with why it could not be looked in.
static std::string place(const std::string& what, const fs::path& folder, const std::error_code& unreadable)
{
    std::string text = what + shownPath(folder.string());
    return unreadable ? text + " (cannot be read: " + unreadable.message() + ")" : text;
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
    std::error_code unreadable;
    if (!diskOption.empty()) {
        fs::path folder = withoutTrailingSlash(fs::path(workingFolder) / diskOption);
        if (holdsDisk(folder, &unreadable))
            return found(folder);
        if (folder.filename() == DISK_DATA_FOLDER && isFile(folder / inDataFolder(DISK_CONTENT_FILE), &unreadable))
            return found(folder.parent_path());
        const std::string shown = "'" + shownPath(diskOption) + "'";
        std::error_code error;
        std::string problem;
        if (unreadable)
            problem = "cannot read the folder " + shown + ": " + unreadable.message();
        else if (fs::is_directory(folder, error))
            problem = "no disk in " + shown + ": it holds no " + DISK_CONTENT_FILE;
        else
            problem = "no folder " + shown;
        return {DiskLocation::Outcome::BadOption, {}, commandLineError(problem)};
    }
    if (holdsDisk(workingFolder, &unreadable))
        return found(workingFolder);
    std::string looked = place("the working folder ", workingFolder, unreadable);
    if (!executable.empty()) {
        fs::path installed = fs::path(executable).parent_path() / INSTALLED_DISK;
        std::error_code installedUnreadable;
        if (holdsDisk(installed, &installedUnreadable))
            return found(installed);
        looked += " and " + place("", installed.lexically_normal(), installedUnreadable) + " beside the program";
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
