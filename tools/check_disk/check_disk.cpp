// The disk checker (check_disk.h), its checks in the order the program reads a disk.
//
// Sections: messages (escaping and quoting what the disk holds); the content file
// (count, records, titles, scroll text); the tracks (loaded by the audio service);
// the music folder (files no record names); effect, font and artwork (made by the
// graphics service, whose own messages are folded into the findings).
#include "check_disk.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

#include <unistd.h>

#include "app/visible_text.h"
#include "disk/disk_config.h"
#include "disk/disk_files.h"
#include "disk/track_loading.h"
#include "platform/audio.h"
#include "platform/gpu.h"
#include "platform/sdl/effect_language.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_gpu.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace fs = std::filesystem;

namespace {

const std::string CONTENT_FILE = DISK_CONTENT_FILE;
const std::string MUSIC_FOLDER = DISK_MUSIC_FOLDER;
constexpr int FONT_GRID = 8;
constexpr int ARTWORK_SIZE = 1024;
// Lines wrap only at blanks; a run this long is no word but a pasted blob.
constexpr size_t LONGEST_UNBROKEN_RUN = 200;
// Effect files are read this far to find a syntax error; real ones are a few KiB.
constexpr size_t MAX_EFFECT_TEXT = size_t(4) << 20;
// Quoted lines are cut to this many characters in messages.
constexpr size_t QUOTE_LENGTH = 60;
// A warning about undrawable characters names this many different ones.
constexpr size_t UNDRAWABLE_SHOWN = 5;

struct Track {
    int line;  // the record's file line
    TrackType type;
    std::string shown;       // data/music/NAME, as the messages name it
    std::string enginePath;  // what the audio service is given
    fs::path onDisk;
    bool empty;  // a zero-byte file
};

struct Checker {
    DiskReport report;
    fs::path data;                 // the data folder on disk
    bool recordsRead = false;      // the content file's count announced tracks
    std::set<std::string> listed;  // music files the records name, relative to data/music
};

// ---- Messages -------------------------------------------------------------------

void add(Checker& c, Severity severity, const std::string& file, int line, const std::string& text)
{
    // Names and texts taken from the disk reach the messages through here; what is
    // already visible passes unchanged.
    c.report.findings.push_back({severity, shownPath(file), line, visibleText(text)});
    ++(severity == Severity::Problem ? c.report.problems : c.report.warnings);
}

void problem(Checker& c, const std::string& file, int line, const std::string& text)
{
    add(c, Severity::Problem, file, line, text);
}

void warning(Checker& c, const std::string& file, int line, const std::string& text)
{
    add(c, Severity::Warning, file, line, text);
}

// A line as it stands in the file, in quotes, cut short, with control characters and
// bytes that are not text made visible.
std::string inQuotes(std::string_view text) { return "\"" + visibleText(text, QUOTE_LENGTH) + "\""; }

bool isBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f'; }

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string lowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& ch : lower)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return lower;
}

std::string blankName(char ch)
{
    return ch == ' ' ? "blank" : ch == '\t' ? "tab" : ch == '\r' ? "carriage return" : "white space";
}

// "(trailing blank)" when the text is a wanted value but for blanks around it.
std::string blanksHint(std::string_view text)
{
    if (!text.empty() && isBlank(text.front()))
        return " (leading " + blankName(text.front()) + ")";
    if (!text.empty() && isBlank(text.back()))
        return " (trailing " + blankName(text.back()) + ")";
    return "";
}

// The text renderer upper-cases each byte with the C library and skips whatever falls
// outside the font's cells, blank through Z.
bool fontCanDraw(char ch)
{
    const int upper = std::toupper(static_cast<unsigned char>(ch));
    return upper >= ' ' && upper <= 'Z';
}

// The characters of a text that the font has no cell for: how many there are and the
// first few different ones, quoted; empty when the font draws them all.
std::string undrawableCharacters(std::string_view text)
{
    std::vector<std::string_view> seen;
    size_t count = 0;
    for (std::string_view character : textCharacters(text)) {
        if (character.size() == 1 && fontCanDraw(character[0]))
            continue;
        ++count;
        if (std::find(seen.begin(), seen.end(), character) == seen.end())
            seen.push_back(character);
    }
    if (count == 0)
        return "";
    std::string list = std::to_string(count) + (count == 1 ? " character" : " characters") + " the font cannot draw:";
    for (size_t i = 0; i < seen.size() && i < UNDRAWABLE_SHOWN; ++i)
        list += " " + inQuotes(seen[i]);
    if (seen.size() > UNDRAWABLE_SHOWN)
        list += " and " + std::to_string(seen.size() - UNDRAWABLE_SHOWN) + " more";
    return list;
}

size_t longestUnbrokenRun(std::string_view text)
{
    size_t longest = 0, run = 0;
    for (char ch : text) {
        run = ch == ' ' ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    return longest;
}

// ---- The content file ---------------------------------------------------------

struct LineSpan {
    int number;         // 1-based
    size_t start, end;  // end: the line feed or the end of the text
};

// The line holding the byte at offset; a line feed belongs to the line it ends.
LineSpan lineAt(const std::string& text, size_t offset)
{
    const size_t start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 == 0
    const size_t end = std::min(text.find('\n', offset), text.size());
    const int number = 1 + int(std::count(text.begin(), text.begin() + std::ptrdiff_t(start), '\n'));
    return {number, start, end};
}

int lineCount(const std::string& text)
{
    return int(std::count(text.begin(), text.end(), '\n')) + (!text.empty() && text.back() != '\n' ? 1 : 0);
}

// The program's reader plus the number of the line it reads next, so that every
// finding names its line. Lines past the end of the file read as empty lines, as in
// the program, but are marked missing.
struct NumberedReader {
    DiskConfig& config;
    int next;
};

struct NumberedLine {
    std::string text;
    int number;
    bool present;
};

NumberedLine readNumberedLine(NumberedReader& reader)
{
    NumberedLine line{{}, reader.next++, !reader.config.failed && reader.config.position < reader.config.text.size()};
    line.text = reader.config.readLine();
    return line;
}

// Reads the count as the program does and says what is wrong with its line. Returns
// the number of records the program goes on to read.
int32_t checkCount(Checker& c, DiskConfig& config, int* nextLine)
{
    const std::string& text = config.text;
    const int32_t count = config.readTrackCount();
    if (config.failed) {
        if (config.position >= text.size()) {
            problem(c, CONTENT_FILE, 0, "no track count: the file is empty or blank, so the disk has no tracks");
        } else {
            const LineSpan span = lineAt(text, config.position);
            problem(c, CONTENT_FILE, span.number,
                    "track count line " + inQuotes(std::string_view(text).substr(span.start, span.end - span.start)) +
                        " is not a number the program can read: the disk has no tracks and no scroll text");
        }
        return 0;
    }

    // The reader stands just past the count's line; read the number again for the messages.
    const LineSpan span = lineAt(text, config.position - 1);
    std::string_view line = std::string_view(text).substr(span.start, span.end - span.start);
    while (!line.empty() && isBlank(line.front()))
        line.remove_prefix(1);
    const bool negative = line.front() == '-';
    if (line.front() == '-' || line.front() == '+')
        line.remove_prefix(1);
    int64_t value = 0;
    const char* numberEnd = std::from_chars(line.data(), line.data() + line.size(), value).ptr;
    value = negative ? -value : value;
    const std::string_view rest = trimmed(line.substr(size_t(numberEnd - line.data())));
    if (!rest.empty())
        warning(c, CONTENT_FILE, span.number,
                "track count line has words after the number: " + inQuotes(rest) + " (ignored)");
    if (value < 1)
        problem(c, CONTENT_FILE, span.number,
                "track count is " + std::to_string(value) + ": a disk needs at least one track");

    const size_t after = std::min(span.end + 1, text.size());
    const int64_t linesAfter = lineCount(text.substr(after));
    if (value >= 1 && value * 3 > linesAfter)
        warning(c, CONTENT_FILE, span.number,
                "track count " + std::to_string(value) + " is larger than the " + std::to_string(linesAfter / 3) +
                    " records the file holds after it");
    *nextLine = span.number + 1;
    return count;
}

std::string missingLine(int track, const char* field, int lastLine)
{
    return "track " + std::to_string(track) + " has no " + field + " line: the file ends at line " +
        std::to_string(lastLine);
}

TrackType checkTypeLine(Checker& c, const NumberedLine& line)
{
    const TrackType type = trackTypeOf(line.text);
    if (type != TrackType::Unsupported)
        return type;
    std::string hint;
    if (line.text.empty())
        hint = " (an empty line: records have no blank lines between them)";
    else if (trackTypeOf(trimmed(line.text)) != TrackType::Unsupported)
        hint = blanksHint(line.text);
    else if (trackTypeOf(lowerCase(trimmed(line.text))) != TrackType::Unsupported)
        hint = " (letter case)";
    problem(c, CONTENT_FILE, line.number,
            "type line " + inQuotes(line.text) + " is not exactly \"mod\" or \"stream\"" + hint);
    return type;
}

// Why a named file is not there: blanks around the name, or a name that differs
// only in letter case.
std::string missingFileHint(const std::string& name, const fs::path& onDisk)
{
    std::error_code error;
    if (trimmed(name) != name && fs::exists(onDisk.parent_path() / std::string(trimmed(name)), error))
        return blanksHint(name);
    const std::string wanted = onDisk.filename().string();
    for (fs::directory_iterator it(onDisk.parent_path(), error), end; !error && it != end; it.increment(error)) {
        const std::string other = it->path().filename().string();
        if (other != wanted && lowerCase(other) == lowerCase(wanted))
            return " (there is " + inQuotes(other) + ": names are case-sensitive)";
    }
    return "";
}

void checkFileLine(Checker& c, const NumberedLine& line, TrackType type, int track, int lastLine,
                   std::vector<Track>& tracks)
{
    if (!line.present) {
        problem(c, CONTENT_FILE, line.number, missingLine(track, "file", lastLine));
        return;
    }
    if (line.text.empty()) {
        problem(c, CONTENT_FILE, line.number, "file line is empty: no music file named");
        return;
    }
    // The audio service reads the backslashes of the program's path as separators.
    std::string name = line.text;
    std::replace(name.begin(), name.end(), '\\', '/');
    c.listed.insert(fs::path(name).lexically_normal().generic_string());
    const std::string shown = MUSIC_FOLDER + "/" + name;
    const fs::path onDisk = c.data.string() + "/" + inDataFolder(DISK_MUSIC_FOLDER) + "/" + name;

    std::error_code error;
    const fs::file_status status = fs::status(onDisk, error);
    if (!fs::exists(status)) {
        problem(c, CONTENT_FILE, line.number, shown + ": no such file" + missingFileHint(name, onDisk));
        return;
    }
    if (!fs::is_regular_file(status)) {
        problem(c, CONTENT_FILE, line.number, shown + ": not a regular file");
        return;
    }
    std::FILE* file = std::fopen(onDisk.c_str(), "rb");
    if (!file) {
        problem(c, CONTENT_FILE, line.number, shown + ": cannot be opened for reading");
        return;
    }
    std::fclose(file);
    if (type != TrackType::Unsupported)
        tracks.push_back({line.number, type, shown, trackPath(c.data.string(), line.text), onDisk,
                          fs::file_size(onDisk, error) == 0});
}

void checkTitleLine(Checker& c, const NumberedLine& line, int track, int lastLine)
{
    if (!line.present) {
        problem(c, CONTENT_FILE, line.number, missingLine(track, "title", lastLine));
        return;
    }
    if (line.text.empty()) {
        problem(c, CONTENT_FILE, line.number, "title line is empty: the player shows no title");
        return;
    }
    if (trackTypeOf(line.text) != TrackType::Unsupported)
        warning(c, CONTENT_FILE, line.number,
                "title is " + inQuotes(line.text) + ": is a line missing in this record or one above?");
    const std::string undrawable = undrawableCharacters(line.text);
    if (!undrawable.empty())
        warning(c, CONTENT_FILE, line.number,
                "title " + inQuotes(line.text) + " has " + undrawable + " (skipped on screen)");
}

void checkScrollText(Checker& c, const std::string& scroll, int firstLine)
{
    if (scroll.empty()) {
        warning(c, CONTENT_FILE, 0, "no scroll text after the track records: the about screen shows nothing");
        return;
    }
    int number = firstLine;
    for (size_t start = 0; start < scroll.size(); ++number) {
        const size_t end = scroll.find('\n', start);
        const std::string_view line = std::string_view(scroll).substr(start, end - start);
        start = end + 1;
        if (number == firstLine && trackTypeOf(line) != TrackType::Unsupported)
            warning(c, CONTENT_FILE, number,
                    "the scroll text starts with " + inQuotes(line) + ": is the track count too small?");
        const size_t run = longestUnbrokenRun(line);
        if (run > LONGEST_UNBROKEN_RUN)
            warning(c, CONTENT_FILE, number,
                    "scroll text line has " + std::to_string(run) +
                        " characters without a blank: it cannot wrap and runs out of the frame");
        const std::string undrawable = undrawableCharacters(line);
        if (!undrawable.empty())
            warning(c, CONTENT_FILE, number, "scroll text line has " + undrawable + " (skipped on screen)");
    }
}

// ---- The tracks ---------------------------------------------------------------

// One load in a freshly started service, which then stops again and holds nothing.
bool loadsAlone(audio::Audio& engine, TrackType type, const std::string& path)
{
    if (!engine.init(-1, 44100, 0, nullptr, nullptr))
        return false;
    const audio::Handle channel = loadTrack(engine, type, path);
    engine.musicFree(channel);
    engine.free();
    return channel != 0;
}

std::string loadFailureHint(audio::Audio& engine, const Track& track)
{
    if (track.empty)
        return " (the file is empty)";
    if (track.type == TrackType::Module && loadsAlone(engine, TrackType::Stream, track.enginePath))
        return " as a module (it opens as a stream: should its type line be \"stream\"?)";
    if (track.type == TrackType::Stream && loadsAlone(engine, TrackType::Module, track.enginePath))
        return " as a stream (it loads as a module: should its type line be \"mod\"?)";
    return "";
}

void loadTracks(Checker& c, const std::vector<Track>& tracks)
{
    if (tracks.empty())
        return;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    audio::Audio* engine = createSdlAudio();
    if (!engine->init(-1, 44100, 0, nullptr, nullptr)) {
        warning(c, CONTENT_FILE, 0,
                std::string("the audio service cannot start here (") + SDL_GetError() + "): no track was loaded");
        delete engine;
        return;
    }
    // As the program does: every track loaded in order, all held until the end.
    std::vector<audio::Handle> channels;
    for (const Track& track : tracks)
        channels.push_back(loadTrack(*engine, track.type, track.enginePath));
    for (audio::Handle channel : channels)
        engine->musicFree(channel);
    engine->free();

    // A refusal is either the file's fault or the service's room for channels, which
    // the tracks before it have taken: a load on its own tells them apart.
    int heldBefore = 0;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const Track& track = tracks[i];
        if (channels[i] != 0) {
            ++heldBefore;
        } else if (heldBefore > 0 && loadsAlone(*engine, track.type, track.enginePath)) {
            problem(c, CONTENT_FILE, track.line,
                    track.shown + ": the audio service has no room for it after the " + std::to_string(heldBefore) +
                        " tracks loaded before it (alone it loads)");
        } else {
            problem(c, CONTENT_FILE, track.line,
                    track.shown + ": the audio service cannot load it" + loadFailureHint(*engine, track));
        }
    }
    delete engine;
}

// The browser build decodes Ogg Vorbis with stb_vorbis and reads WAV itself; it
// knows a stream by its first bytes, as the desktop's libsndfile does.
bool browserPlays(const fs::path& path)
{
    char head[64] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(head, sizeof head);
    const std::string_view bytes(head, size_t(file.gcount()));
    const bool ogg = bytes.substr(0, 4) == "OggS" && bytes.find("\x01vorbis") != std::string_view::npos;
    const bool wav = bytes.substr(0, 4) == "RIFF" && bytes.substr(8, 4) == "WAVE";
    return ogg || wav;
}

void checkBrowserStreams(Checker& c, const std::vector<Track>& tracks)
{
    for (const Track& track : tracks)
        if (track.type == TrackType::Stream && !track.empty && !browserPlays(track.onDisk))
            problem(c, CONTENT_FILE, track.line,
                    track.shown + ": the browser build plays only Ogg Vorbis and WAV streams");
}

void checkContentFile(Checker& c, const DiskCheckOptions& options)
{
    const fs::path path = c.data / inDataFolder(DISK_CONTENT_FILE);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        problem(c, CONTENT_FILE, 0, "no such file: the disk has no tracks and no scroll text");
        return;
    }
    DiskConfig config;
    if (!fs::is_regular_file(status) || !config.open(path.c_str())) {
        problem(c, CONTENT_FILE, 0, "cannot be read: the disk has no tracks and no scroll text");
        return;
    }
    if (fs::file_size(path, error) > MAX_DISK_CONFIG_BYTES)
        warning(c, CONTENT_FILE, 0,
                "larger than " + std::to_string(MAX_DISK_CONFIG_BYTES >> 20) + " MiB: the rest is not read");

    const int lastLine = lineCount(config.text);
    int nextLine = 1;
    const int32_t count = checkCount(c, config, &nextLine);
    c.recordsRead = count > 0;
    NumberedReader reader{config, nextLine};
    std::vector<Track> tracks;
    for (int32_t i = 0; i < count; ++i) {
        const NumberedLine typeLine = readNumberedLine(reader);
        const NumberedLine fileLine = readNumberedLine(reader);
        const NumberedLine titleLine = readNumberedLine(reader);
        if (!typeLine.present) {
            problem(c, CONTENT_FILE, typeLine.number,
                    "track " + std::to_string(i + 1) + " is missing (lines " + std::to_string(typeLine.number) +
                        " to " + std::to_string(titleLine.number) + "): the file ends at line " +
                        std::to_string(lastLine));
            continue;
        }
        const TrackType type = checkTypeLine(c, typeLine);
        checkFileLine(c, fileLine, type, i + 1, lastLine, tracks);
        checkTitleLine(c, titleLine, i + 1, lastLine);
    }
    const int scrollLine = reader.next;
    if (!config.failed)
        checkScrollText(c, config.readScrollText(), scrollLine);
    if (options.loadTracks)
        loadTracks(c, tracks);
    if (options.browser)
        checkBrowserStreams(c, tracks);

    // Line order; findings about the whole file last.
    std::stable_sort(c.report.findings.begin(), c.report.findings.end(),
                     [](const DiskFinding& a, const DiskFinding& b) {
                         return (a.line ? a.line : INT_MAX) < (b.line ? b.line : INT_MAX);
                     });
}

// ---- The music folder ----------------------------------------------------------

void checkUnlistedMusic(Checker& c)
{
    const fs::path folder = c.data / inDataFolder(DISK_MUSIC_FOLDER);
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        problem(c, MUSIC_FOLDER, 0, "no such folder");
        return;
    }
    // Without records every file would be unlisted; the content file's finding says enough.
    if (!c.recordsRead)
        return;
    std::vector<std::string> unlisted;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
    for (; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().front() == '.') {
            if (it->is_directory(error))
                it.disable_recursion_pending();
            continue;
        }
        const std::string name = it->path().lexically_relative(folder).generic_string();
        if (it->is_regular_file(error) && !c.listed.count(name))
            unlisted.push_back(name);
    }
    std::sort(unlisted.begin(), unlisted.end());
    for (const std::string& name : unlisted)
        warning(c, MUSIC_FOLDER + "/" + name, 0, "not named by any record of " + CONTENT_FILE + ": no track plays it");
}

// ---- Effect, font and artwork --------------------------------------------------

// What the graphics service writes to standard error while it works for the checker
// is taken instead of printed and folded into the checker's own finding, so that a
// fault shows as one line.
struct ErrorCapture {
    std::FILE* file = nullptr;
    int saved = -1;
};

ErrorCapture startCapture()
{
    ErrorCapture capture;
    std::fflush(stderr);
    capture.file = std::tmpfile();
    capture.saved = capture.file ? dup(STDERR_FILENO) : -1;
    if (capture.saved >= 0)
        dup2(fileno(capture.file), STDERR_FILENO);
    return capture;
}

std::string endCapture(ErrorCapture& capture)
{
    std::string text;
    std::fflush(stderr);
    if (capture.saved >= 0) {
        dup2(capture.saved, STDERR_FILENO);
        close(capture.saved);
        std::rewind(capture.file);
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, capture.file)) > 0 && text.size() < MAX_EFFECT_TEXT)
            text.append(buffer, got);
    }
    if (capture.file)
        std::fclose(capture.file);
    capture = {};
    return text;
}

// The service's message as one line: its first line without the "gpu: PATH:" prefix,
// then the first line of what follows it (the shader compiler's first error). The
// line number the service names, if any, goes to *line.
std::string serviceMessage(const std::string& captured, const fs::path& path, int* line)
{
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < captured.size();) {
        const size_t end = std::min(captured.find('\n', start), captured.size());
        const std::string_view text = trimmed(std::string_view(captured).substr(start, end - start));
        if (!text.empty())
            lines.push_back(text);
        start = end + 1;
    }
    if (lines.empty())
        return "";
    std::string_view first = lines[0];
    const std::string prefix = "gpu: " + path.string() + ":";
    if (first.substr(0, prefix.size()) == prefix) {
        first.remove_prefix(prefix.size());
        int number = 0;
        const auto [end, error] = std::from_chars(first.data(), first.data() + first.size(), number);
        if (error == std::errc() && end != first.data() && *end == ':') {
            *line = number;
            first.remove_prefix(size_t(end - first.data()) + 1);
        }
    } else if (first.substr(0, 5) == "gpu: ") {
        first.remove_prefix(5);
    }
    first = trimmed(first);
    std::string message(first);
    if (lines.size() > 1) {
        if (!message.empty() && message.back() == ':')
            message.pop_back();
        message += ": " + std::string(lines[1]);
    }
    return message;
}

// The graphics service with a device on a hidden window, made as the program's
// render device makes its own.
struct Graphics {
    gpu::Gpu* service = nullptr;
    SDL_Window* window = nullptr;
    gpu::Direct3D* direct3d = nullptr;
    gpu::Device* device = nullptr;
};

gpu::PresentParameters programParameters()
{
    gpu::PresentParameters p = {};
    p.backBufferFormat = gpu::FMT_X8R8G8B8;
    p.backBufferCount = 1;
    p.multiSampleType = gpu::MULTISAMPLE_NONE;
    p.swapEffect = gpu::SWAPEFFECT_DISCARD;
    p.windowed = 1;
    p.enableAutoDepthStencil = 1;
    p.autoDepthStencilFormat = gpu::FMT_D24X8;
    p.presentationInterval = gpu::PRESENT_INTERVAL_DEFAULT;
    return p;
}

void stopGraphics(Graphics& g)
{
    if (g.service) {
        if (g.device)
            g.service->release(g.device);
        if (g.direct3d)
            g.service->release(g.direct3d);
        delete g.service;
    }
    if (g.window)
        SDL_DestroyWindow(g.window);
    g = {};
}

// SDL video and the OpenGL library are started once and held until the process
// ends: Mesa unloads its driver when the last GL window goes, and LeakSanitizer then
// takes the unloaded driver's globals for leaks.
bool startVideo(std::string* why)
{
    static std::string failure = [] {
        if (!std::getenv("DISPLAY"))
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GL_LoadLibrary(nullptr) == 0)
            return std::string();
        const std::string error = SDL_GetError();
        return error.empty() ? std::string("SDL video does not start") : error;
    }();
    *why = failure;
    return failure.empty();
}

// False, with the reason, where this machine offers no OpenGL 3.3 device.
bool startGraphics(Graphics& g, std::string* why)
{
    if (!startVideo(why))
        return false;
    g.window = SDL_CreateWindow("check-disk", 0, 0, 820, 320, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!g.window) {
        *why = SDL_GetError();
        return false;
    }
    g.service = createSdlGpu();
    g.direct3d = g.service->create(gpu::SDK_VERSION);
    gpu::PresentParameters parameters = programParameters();
    // A window of the os service is the SDL window itself.
    ErrorCapture capture = startCapture();
    const bool failed = !g.direct3d ||
        gpu::failed(g.service->createDevice(g.direct3d, gpu::ADAPTER_DEFAULT, gpu::DEVTYPE_HAL,
                                            reinterpret_cast<os::WindowHandle>(g.window),
                                            gpu::CREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &g.device));
    const std::string captured = endCapture(capture);
    if (failed) {
        int line = 0;
        const std::string message = serviceMessage(captured, "", &line);
        *why = message.empty() ? "no OpenGL 3.3 core device" : message;
        stopGraphics(g);
        return false;
    }
    return true;
}

std::string readStart(const fs::path& path, size_t limit)
{
    std::string text(limit, '\0');
    std::FILE* file = std::fopen(path.c_str(), "rb");
    text.resize(file ? std::fread(text.data(), 1, limit, file) : 0);
    if (file)
        std::fclose(file);
    return text;
}

// Why the service refused the effect: the first syntax error with its line, or else
// (a shader that does not compile, a file too large) what the service said.
void reportEffectFailure(Checker& c, const std::string& shown, const fs::path& path, const std::string& captured)
{
    fx::EffectDesc desc;
    fx::ParseError error;
    if (!fx::parseEffect(readStart(path, MAX_EFFECT_TEXT), &desc, &error)) {
        problem(c, shown, error.line, error.message + " (the graphics service cannot create the effect)");
        return;
    }
    int line = 0;
    const std::string message = serviceMessage(captured, path, &line);
    problem(c, shown, line,
            "the graphics service cannot create the effect: " +
                (message.empty() ? "a shader does not compile or link, or the file is too large" : message));
}

void checkEffectContract(Checker& c, const std::string& shown, Graphics& g, gpu::Effect* effect)
{
    const gpu::TechniqueHandle technique = g.service->getTechniqueByName(effect, "GUI");
    if (!technique) {
        problem(c, shown, 0, "no technique GUI: the program draws nothing");
    } else {
        uint32_t passes = 0;
        const bool begun = !gpu::failed(g.service->setTechnique(effect, technique)) &&
            !gpu::failed(g.service->begin(effect, &passes, 0));
        if (begun)
            g.service->end(effect);
        if (!begun)
            problem(c, shown, 0, "the technique GUI cannot be begun");
        else if (passes == 0)
            problem(c, shown, 0, "the technique GUI has no pass: the program draws nothing");
    }
    if (gpu::failed(g.service->setTexture(effect, "texture_0", nullptr)))
        problem(c, shown, 0, "no texture parameter texture_0: every quad is drawn without its picture");
}

// True when the file is there and is a regular file; otherwise says what it means.
bool checkPresent(Checker& c, const std::string& shown, const fs::path& path, const char* consequence)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        problem(c, shown, 0, std::string("no such file: ") + consequence);
        return false;
    }
    if (!fs::is_regular_file(status)) {
        problem(c, shown, 0, std::string("not a regular file: ") + consequence);
        return false;
    }
    return true;
}

struct ImageHeader {
    int width, height, channels;
};

bool readImageHeader(Checker& c, const std::string& shown, const fs::path& path, ImageHeader* header)
{
    if (stbi_info(path.c_str(), &header->width, &header->height, &header->channels))
        return true;
    problem(c, shown, 0,
            std::string("not an image the graphics service reads (PNG, JPEG, BMP or TGA): ") + stbi_failure_reason());
    return false;
}

bool hasAlpha(const ImageHeader& header) { return header.channels == 2 || header.channels == 4; }

std::string sizeText(const ImageHeader& header)
{
    return std::to_string(header.width) + " x " + std::to_string(header.height);
}

void checkTexture(Checker& c, const std::string& shown, const fs::path& path, Graphics* g)
{
    if (!g)
        return;
    gpu::Texture* texture = nullptr;
    ErrorCapture capture = startCapture();
    const bool failed = gpu::failed(g->service->createTextureFromFile(g->device, path.c_str(), &texture));
    const std::string captured = endCapture(capture);
    int line = 0;
    const std::string message = serviceMessage(captured, path, &line);
    if (failed)
        problem(c, shown, 0,
                "the graphics service cannot make a texture of it: " +
                    (message.empty() ? "a damaged or too large image" : message));
    if (texture)
        g->service->release(texture);
}

void checkFont(Checker& c, Graphics* g)
{
    const std::string shown = FONT_FILE;
    const fs::path path = c.data / inDataFolder(FONT_FILE);
    ImageHeader header;
    if (!checkPresent(c, shown, path, "the program cannot start without its font") ||
        !readImageHeader(c, shown, path, &header))
        return;
    if (header.width % FONT_GRID != 0 || header.height % FONT_GRID != 0)
        problem(c, shown, 0, sizeText(header) + " does not divide into 8 x 8 cells");
    if (!hasAlpha(header))
        warning(c, shown, 0, "no alpha channel: every glyph shows as a solid box");
    checkTexture(c, shown, path, g);
}

void checkArtwork(Checker& c, Graphics* g)
{
    const std::string shown = ARTWORK_FILE;
    const fs::path path = c.data / inDataFolder(ARTWORK_FILE);
    ImageHeader header;
    if (!checkPresent(c, shown, path, "the screens show none of their pictures") ||
        !readImageHeader(c, shown, path, &header))
        return;
    if (header.width != ARTWORK_SIZE || header.height != ARTWORK_SIZE)
        warning(c, shown, 0,
                sizeText(header) +
                    ", not 1024 x 1024: the screens cut their pictures at fixed fractions of the "
                    "image, so each must lie where it would in a 1024 x 1024 atlas");
    if (!hasAlpha(header))
        warning(c, shown, 0, "no alpha channel: the pictures meant to be partly clear (frames, bubbles) are opaque");
    checkTexture(c, shown, path, g);
}

void checkEffect(Checker& c, Graphics* g)
{
    const std::string shown = EFFECT_FILE;
    const fs::path path = c.data / inDataFolder(EFFECT_FILE);
    if (!checkPresent(c, shown, path, "the program draws nothing") || !g)
        return;
    gpu::Effect* effect = nullptr;
    ErrorCapture capture = startCapture();
    const bool failed = gpu::failed(g->service->createEffectFromFile(g->device, path.c_str(), &effect));
    const std::string captured = endCapture(capture);
    if (failed) {
        reportEffectFailure(c, shown, path, captured);
        return;
    }
    checkEffectContract(c, shown, *g, effect);
    g->service->release(effect);
}

}  // namespace

DiskReport checkDisk(const std::string& folder, const DiskCheckOptions& options)
{
    Checker c;
    std::error_code error;
    const fs::path root = folder.empty() ? fs::path(".") : fs::path(folder);
    if (!fs::is_directory(root, error)) {
        problem(c, folder, 0, "no such folder");
        return c.report;
    }
    c.data = fs::exists(root / inDataFolder(DISK_CONTENT_FILE), error) ? root : root / DISK_DATA_FOLDER;
    if (!fs::is_directory(c.data, error)) {
        problem(c, folder, 0,
                "holds neither " + std::string(DISK_DATA_FOLDER) + "/ nor " + inDataFolder(DISK_CONTENT_FILE) +
                    ": not a disk folder");
        return c.report;
    }
    checkContentFile(c, options);
    checkUnlistedMusic(c);

    Graphics graphics;
    std::string why;
    const bool graphicsReady = options.loadGraphics && startGraphics(graphics, &why);
    if (options.loadGraphics && !graphicsReady)
        warning(c, DISK_DATA_FOLDER, 0,
                "the graphics service cannot start here (" + why + "): " + inDataFolder(EFFECT_FILE) + ", " +
                    inDataFolder(FONT_FILE) + " and " + inDataFolder(ARTWORK_FILE) + " were not loaded");
    Graphics* g = graphicsReady ? &graphics : nullptr;
    checkEffect(c, g);
    checkFont(c, g);
    checkArtwork(c, g);
    stopGraphics(graphics);
    return c.report;
}

std::string formatFinding(const DiskFinding& finding)
{
    std::string place = finding.file;
    if (finding.line > 0)
        place += ":" + std::to_string(finding.line);
    return place + (finding.severity == Severity::Warning ? ": warning: " : ": ") + finding.text;
}

std::string formatSummary(const DiskReport& report)
{
    auto counted = [](int n, const char* noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); };
    return counted(report.problems, "problem") + ", " + counted(report.warnings, "warning");
}
