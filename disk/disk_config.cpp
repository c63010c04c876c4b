#include "disk/disk_config.h"

#include <algorithm>
#include <cstdio>

TrackType trackTypeOf(std::string_view typeLine)
{
    if (typeLine == "mod")
        return TrackType::Module;
    if (typeLine == "stream")
        return TrackType::Stream;
    return TrackType::Unsupported;
}

// Text-mode reading: a CR right before an LF belongs to the line end; a lone CR is
// an ordinary character.
static std::string withUnixLineEnds(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n'))
            out.push_back(bytes[i]);
    return out;
}

bool DiskConfig::open(const char* path)
{
    text.clear();
    position = 0;
    failed = true;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    std::string bytes;
    char chunk[65536];
    size_t got;
    while (bytes.size() < MAX_DISK_CONFIG_BYTES && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, std::min(got, MAX_DISK_CONFIG_BYTES - bytes.size()));
    bool readError = std::ferror(file) != 0;  // e.g. the path names a folder
    std::fclose(file);
    if (readError)
        return false;
    text = withUnixLineEnds(bytes);
    failed = false;
    return true;
}

static bool isFormatSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int32_t DiskConfig::readTrackCount()
{
    if (failed)
        return 0;
    while (position < text.size() && isFormatSpace(text[position]))
        ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-'))
        negative = text[position++] == '-';
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position, ++digits) {
        magnitude = magnitude * 10 + (text[position] - '0');
        if (magnitude > int64_t(INT32_MAX) + 1) {
            failed = true;  // too large for the count: not a number, as a stream read sees it
            return 0;
        }
    }
    int64_t count = negative ? -magnitude : magnitude;
    if (digits == 0 || count > INT32_MAX) {
        failed = true;
        return 0;
    }
    size_t lineEnd = text.find('\n', position);
    position = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    if (count <= 0)
        return 0;

    // A count far beyond the records present would otherwise allocate that many
    // tracks and report two message boxes for each empty record, so the count is
    // bounded here, where the whole file is known: by the records the remaining
    // lines can fill (a partial last record counts), plus a few wholly missing
    // records so that a count slightly too large still shows its empty, reported
    // records; and by a hard cap far above any real disk.
    size_t lines = size_t(std::count(text.begin() + std::ptrdiff_t(position), text.end(), '\n'));
    if (position < text.size() && text.back() != '\n')
        ++lines;
    int64_t supplied = int64_t((lines + 2) / 3);
    return int32_t(std::min({count, supplied + MISSING_RECORDS_KEPT, int64_t(MAX_DISK_TRACKS)}));
}

std::string DiskConfig::readLine()
{
    if (failed || position >= text.size())
        return {};
    size_t lineEnd = text.find('\n', position);
    if (lineEnd == std::string::npos)
        lineEnd = text.size();
    std::string line = text.substr(position, lineEnd - position);
    position = std::min(lineEnd + 1, text.size());
    return line;
}

std::string DiskConfig::readScrollText()
{
    if (failed || position >= text.size())
        return {};
    std::string scroll = text.substr(position);
    if (scroll.back() != '\n')
        scroll.push_back('\n');
    position = text.size();
    return scroll;
}
