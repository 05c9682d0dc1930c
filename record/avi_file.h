// AviFile: the AVI container of one video stream, written as frames arrive.
//
// OpenDML (AVI 2.0) layout, so a file may grow past 2 GiB and frames may be
// of any size the stream's codec takes:
//   RIFF 'AVI ' { LIST hdrl { avih, LIST strl { strh, strf, indx },
//                             LIST odml { dmlh } },
//                 LIST movi { 00dc ... ix00 }, idx1 }
//   RIFF 'AVIX' { LIST movi { 00dc ... ix00 } }  (one per further segment)
// Every frame goes to disk at once (nothing is buffered in the process) and
// the headers are brought up to date once per second of stream, so a killed
// process leaves a file that players read up to about its last frame.
// Finish writes the indexes and the final headers.
//
// Create, then Begin before the first frame (the stream's set-up data may
// only be known then), WriteFrame per frame, Finish.  A failed write keeps
// what was written before it readable and fails every later write; Error()
// says why.  One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "record/stored_stream.h"

constexpr uint32_t MakeFourCc(const char (&text)[5]) {
    return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 |
           uint32_t(uint8_t(text[2])) << 16 | uint32_t(uint8_t(text[3])) << 24;
}

struct AviStreamFormat {
    int32_t width = 0, height = 0;  // positive height: uncompressed rows are bottom row first
    uint32_t frame_rate = 15;       // frames per second
    uint32_t codec = 0;             // four-character code; 0: uncompressed RGB
    uint16_t bit_count = 32;        // bits per pixel of the pictures the codec carries
    std::vector<uint8_t> setup;     // codec set-up data, stored after the bitmap header
};

// Removes a file this program wrote and must not leave behind (an empty
// recording, half a picture): only a regular file, never a device the name
// may stand for (/dev/null) nor a link's target.
void RemoveWrittenFile(const std::string& path);

// An AVI chunk's size field keeps its top bit for the key-frame flag of the
// OpenDML index: no frame may take 2 GiB or more.
constexpr uint64_t kAviMaxFrameBytes = 0x7FFFFFFFull - 8;

class AviFile : public StoredStream {
public:
    AviFile() = default;
    ~AviFile() override;  // finishes a file still open
    AviFile(const AviFile&) = delete;
    AviFile& operator=(const AviFile&) = delete;

    // Creates (or empties) `path`.  False when it cannot; Error() says why.
    bool Create(const std::string& path) override;
    // Writes the headers for `format`; once, before the first frame.
    bool Begin(const AviStreamFormat& format) override;
    bool WriteFrame(const uint8_t* data, size_t size, bool key_frame);
    // AVI frames follow each other at the stream's rate: their times are
    // implied by their order.
    bool Write(const EncodedFrame& frame) override { return WriteFrame(frame.data, frame.size, frame.key_frame); }
    // Indexes and final headers; closes the file.  False when some of it
    // could not be written (the frames before stay readable).
    bool Finish() override;

    bool IsCreated() const { return fd_ >= 0; }
    bool HasBegun() const override { return begun_; }
    uint64_t Frames() const override { return total_frames_; }
    const std::string& Error() const override { return error_; }
    int ErrorNumber() const override { return error_number_; }  // errno of the first failure

    // Largest size of one RIFF segment.  1 GiB, as players expect; tests
    // make it small to cross segments with few frames.
    void SetSegmentLimit(uint64_t bytes) { segment_limit_ = bytes; }

private:
    struct IndexEntry {
        uint64_t offset;  // of the chunk's header in the file
        uint32_t size;    // of the chunk's data
        bool key_frame;
    };
    struct SegmentIndex {  // an entry of the super index: one ix00 chunk
        uint64_t offset;
        uint32_t size;
        uint32_t frames;
    };

    std::vector<uint8_t> HeaderBytes() const;
    void AppendMainHeader(std::vector<uint8_t>& out) const;
    void AppendStreamList(std::vector<uint8_t>& out) const;
    void AppendStreamHeader(std::vector<uint8_t>& out) const;
    void AppendStreamFormat(std::vector<uint8_t>& out) const;
    void AppendSuperIndex(std::vector<uint8_t>& out) const;
    void AppendOdmlList(std::vector<uint8_t>& out) const;
    std::vector<uint8_t> ChunkIndexBytes() const;
    std::vector<uint8_t> LegacyIndexBytes() const;
    bool RewriteHeaders();
    bool StartSegment();
    bool EndSegment();
    bool Append(std::initializer_list<std::pair<const void*, size_t>> pieces);
    bool PutAt(uint64_t offset, uint32_t value);
    bool Fail(const char* what, int error_number);

    int fd_ = -1;
    std::string error_;
    int error_number_ = 0;
    bool begun_ = false, failed_ = false;
    AviStreamFormat format_;
    uint32_t chunk_id_ = 0;
    uint64_t segment_limit_ = uint64_t(1) << 30;

    uint64_t end_ = 0;             // bytes in the file
    size_t header_bytes_ = 0;      // the first segment's headers, up to its 'movi'
    uint64_t segment_start_ = 0;   // offset of the current RIFF
    uint64_t movi_start_ = 0;      // offset of the current LIST movi
    std::vector<IndexEntry> segment_frames_;  // frames of the current segment
    std::vector<SegmentIndex> segments_;      // finished segments
    bool first_closed_ = false;      // the first segment has its indexes
    bool first_indexed_ = false;     // its idx1 was written
    uint64_t first_movi_end_ = 0, first_riff_end_ = 0;
    uint64_t first_segment_frames_ = 0;
    uint64_t total_frames_ = 0;
    uint32_t largest_chunk_ = 0;
};
