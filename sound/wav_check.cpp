#include "sound/wav_check.h"

#include <cstring>
#include <vector>

#include "platform/files.h"

namespace {

uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// Walks the chunks in [begin, end); `last_may_overrun` lets a final "data"
// chunk claim more than is there.
bool ChunksFit(const uint8_t* data, size_t begin, size_t end, bool last_may_overrun) {
    size_t at = begin;
    while (end - at >= 8) {
        const uint8_t* id = data + at;
        const uint64_t size = U32(data + at + 4);
        const size_t body = at + 8;
        if (size > end - body) return last_may_overrun && std::memcmp(id, "data", 4) == 0;
        // A list holds chunks of its own after its 4-byte type.
        if (std::memcmp(id, "LIST", 4) == 0 && size >= 4 && !ChunksFit(data, body + 4, body + size, false))
            return false;
        at = body + size + (size & 1);  // chunks are padded to an even length
        if (at > end) at = end;
    }
    return true;
}

}  // namespace

bool RiffChunksFit(const uint8_t* data, size_t size) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) return true;
    return ChunksFit(data, 12, size, true);
}

bool RiffFileChunksFit(const char* path) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return true;
    return RiffChunksFit(bytes.data(), bytes.size());
}
