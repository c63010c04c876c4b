#include "tools/compose/ogg_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>

namespace compose {
namespace {

constexpr uint32_t FIXED_SERIAL = 0x51564C33;  // "QVL3"
constexpr size_t PAGE_HEADER = 27;

// libsndfile writes through these callbacks into a growing byte vector.
struct MemoryFile {
    std::vector<uint8_t> bytes;
    sf_count_t position = 0;
};

sf_count_t memoryLength(void* user) { return sf_count_t(static_cast<MemoryFile*>(user)->bytes.size()); }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    sf_count_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? sf_count_t(file->bytes.size()) : 0;
    file->position = std::max<sf_count_t>(0, base + offset);
    return file->position;
}

sf_count_t memoryRead(void* data, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    sf_count_t available = std::max<sf_count_t>(0, sf_count_t(file->bytes.size()) - file->position);
    sf_count_t n = std::min(count, available);
    if (n > 0)
        std::memcpy(data, file->bytes.data() + file->position, size_t(n));
    file->position += n;
    return n;
}

sf_count_t memoryWrite(const void* data, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    if (count <= 0)
        return 0;
    size_t end = size_t(file->position + count);
    if (end > file->bytes.size())
        file->bytes.resize(end);
    std::memcpy(file->bytes.data() + file->position, data, size_t(count));
    file->position += count;
    return count;
}

sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->position; }

// The Ogg checksum: CRC-32 with polynomial 0x04C11DB7, no reflection, initial 0.
uint32_t oggCrc(const uint8_t* data, size_t size)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= uint32_t(data[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

void put32le(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

}  // namespace

bool setOggSerial(std::vector<uint8_t>& bytes, uint32_t serial)
{
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < PAGE_HEADER || std::memcmp(&bytes[at], "OggS", 4) != 0)
            return false;
        size_t segments = bytes[at + 26];
        if (bytes.size() - at < PAGE_HEADER + segments)
            return false;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i)
            body += bytes[at + PAGE_HEADER + i];
        size_t pageSize = PAGE_HEADER + segments + body;
        if (bytes.size() - at < pageSize)
            return false;
        put32le(&bytes[at + 14], serial);
        put32le(&bytes[at + 22], 0);
        put32le(&bytes[at + 22], oggCrc(&bytes[at], pageSize));
        at += pageSize;
    }
    return !bytes.empty();
}

bool encodeOggVorbis(const std::vector<float>& stereo, int rate, double quality, std::vector<uint8_t>* out,
                     std::string* error)
{
    MemoryFile memory;
    SF_VIRTUAL_IO io = {memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info = {};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open_virtual(&io, SFM_WRITE, &info, &memory);
    if (!file) {
        *error = std::string("libsndfile cannot encode Ogg Vorbis: ") + sf_strerror(nullptr);
        return false;
    }
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
    // Blocks of a few thousand frames: libvorbis is not made for one huge write.
    const sf_count_t frames = sf_count_t(stereo.size() / 2);
    sf_count_t written = 0;
    while (written < frames) {
        sf_count_t block = std::min<sf_count_t>(4096, frames - written);
        if (sf_writef_float(file, stereo.data() + 2 * written, block) != block)
            break;
        written += block;
    }
    sf_close(file);
    if (written != frames) {
        *error = "libsndfile wrote only part of the audio";
        return false;
    }
    if (!setOggSerial(memory.bytes, FIXED_SERIAL)) {
        *error = "libsndfile produced no Ogg pages";
        return false;
    }
    *out = std::move(memory.bytes);
    return true;
}

}  // namespace compose
