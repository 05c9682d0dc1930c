// The AVI container writer.  All numbers are little-endian; every chunk's
// data is padded to an even size.  Writes go to explicit offsets (pwrite),
// so rewriting the headers never moves the end of the file.
#include "record/avi_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Room for this many segments in the super index (with 1 GiB segments, a
// file of 1 TiB); the headers keep the room from the start.
constexpr uint32_t kSuperIndexEntries = 1024;
constexpr uint32_t kDmlhBytes = 248;
constexpr uint32_t kBitmapInfoBytes = 40;   // the strf chunk's BITMAPINFOHEADER
constexpr uint16_t kSuperIndexLongs = 4;    // 32-bit words per super index entry
constexpr uint16_t kChunkIndexLongs = 2;    // ... per standard index entry

// AVI and OpenDML flags.
constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint32_t kDeltaFrameBit = 0x80000000u;  // OpenDML: "not a key frame"
constexpr uint8_t kIndexOfIndexes = 0x00;
constexpr uint8_t kIndexOfChunks = 0x01;

void PutLe32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}

// Appends little-endian values to a byte vector.
class Bytes {
public:
    explicit Bytes(std::vector<uint8_t>& out) : out_(out) {}
    void U8(uint8_t v) { out_.push_back(v); }
    void U16(uint16_t v) { U8(v & 0xFF), U8(v >> 8); }
    void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void U64(uint64_t v) { U32(uint32_t(v)), U32(uint32_t(v >> 32)); }
    void Code(const char (&text)[5]) { U32(MakeFourCc(text)); }
    void Zeros(size_t count) { out_.insert(out_.end(), count, 0); }
    void Data(const std::vector<uint8_t>& data) { out_.insert(out_.end(), data.begin(), data.end()); }
    // Writes a chunk header with a size to be filled by Close(at).
    size_t Open(const char (&id)[5]) {
        Code(id);
        U32(0);
        return out_.size();
    }
    // Fills the size of the chunk whose data began at `data_start`, and pads.
    void Close(size_t data_start) {
        const uint32_t size = uint32_t(out_.size() - data_start);
        PutLe32(&out_[data_start - 4], size);
        if (size & 1) U8(0);
    }
    size_t Size() const { return out_.size(); }

private:
    std::vector<uint8_t>& out_;
};

uint32_t Clamp32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(value); }

// The head both OpenDML index kinds share: entry size in 32-bit words, the
// kind, the entry count and the stream's chunk id.
void IndexHeader(Bytes& b, uint16_t longs_per_entry, uint8_t kind, size_t entries,
                 uint32_t chunk_id) {
    b.U16(longs_per_entry);
    b.U8(0);
    b.U8(kind);
    b.U32(uint32_t(entries));
    b.U32(chunk_id);
}

}  // namespace

void RemoveWrittenFile(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
}

AviFile::~AviFile() {
    if (IsCreated()) Finish();
}

bool AviFile::Create(const std::string& path) {
    if (IsCreated() || begun_) return false;  // one file per writer
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return Fail("cannot create the file", errno);
    return true;
}

// The first segment's headers up to and including its 'movi' code, with the
// counts and sizes as they stand now.
std::vector<uint8_t> AviFile::HeaderBytes() const {
    std::vector<uint8_t> out;
    Bytes b(out);
    const bool first_open = !first_closed_;
    const uint64_t first_end = first_open ? end_ : first_riff_end_;
    const uint64_t first_movi_end = first_open ? end_ : first_movi_end_;

    b.Code("RIFF");
    b.U32(Clamp32(first_end - 8));
    b.Code("AVI ");
    const size_t hdrl = b.Open("LIST");
    b.Code("hdrl");
    AppendMainHeader(out);
    AppendStreamList(out);
    AppendOdmlList(out);
    b.Close(hdrl);

    b.Code("LIST");
    b.U32(Clamp32(first_movi_end - (out.size() - 4 + 8)));
    b.Code("movi");
    return out;
}

void AviFile::AppendMainHeader(std::vector<uint8_t>& out) const {
    const AviStreamFormat& f = format_;
    Bytes b(out);
    const size_t avih = b.Open("avih");
    b.U32(1000000 / std::max<uint32_t>(f.frame_rate, 1));
    b.U32(Clamp32(uint64_t(largest_chunk_) * f.frame_rate));
    b.U32(0);  // padding granularity
    b.U32(first_indexed_ ? kAvifHasIndex : 0);
    b.U32(Clamp32(first_segment_frames_));  // AVI 1.0 readers see the first segment
    b.U32(0);                                // initial frames
    b.U32(1);                                // streams
    b.U32(largest_chunk_);
    b.U32(uint32_t(f.width));
    b.U32(uint32_t(f.height));
    b.Zeros(16);
    b.Close(avih);
}

void AviFile::AppendStreamList(std::vector<uint8_t>& out) const {
    Bytes b(out);
    const size_t strl = b.Open("LIST");
    b.Code("strl");
    AppendStreamHeader(out);
    AppendStreamFormat(out);
    AppendSuperIndex(out);
    b.Close(strl);
}

void AviFile::AppendStreamHeader(std::vector<uint8_t>& out) const {
    const AviStreamFormat& f = format_;
    Bytes b(out);
    const size_t strh = b.Open("strh");
    b.Code("vids");
    b.U32(f.codec);
    b.U32(0);  // flags
    b.U16(0);  // priority
    b.U16(0);  // language
    b.U32(0);  // initial frames
    b.U32(1);  // scale: one frame lasts 1 / frame_rate seconds
    b.U32(f.frame_rate);
    b.U32(0);  // start
    b.U32(Clamp32(total_frames_));
    b.U32(largest_chunk_);
    b.U32(0xFFFFFFFFu);  // quality: the codec's default
    b.U32(0);            // sample size: frames vary
    b.U16(0), b.U16(0), b.U16(uint16_t(f.width)), b.U16(uint16_t(f.height));
    b.Close(strh);
}

void AviFile::AppendStreamFormat(std::vector<uint8_t>& out) const {
    const AviStreamFormat& f = format_;
    Bytes b(out);
    const size_t strf = b.Open("strf");
    b.U32(kBitmapInfoBytes);
    b.U32(uint32_t(f.width));
    b.U32(uint32_t(f.height));
    b.U16(1);  // planes
    b.U16(f.bit_count);
    b.U32(f.codec);
    b.U32(Clamp32(uint64_t(f.width) * uint64_t(f.height) * f.bit_count / 8));
    b.Zeros(16);
    b.Data(f.setup);
    b.Close(strf);
}

// The OpenDML super index: one entry per finished segment, and room kept
// for the rest so the headers never grow.
void AviFile::AppendSuperIndex(std::vector<uint8_t>& out) const {
    Bytes b(out);
    const size_t indx = b.Open("indx");
    IndexHeader(b, kSuperIndexLongs, kIndexOfIndexes, segments_.size(), chunk_id_);
    b.Zeros(12);
    for (const SegmentIndex& s : segments_) {
        b.U64(s.offset);
        b.U32(s.size);
        b.U32(s.frames);
    }
    b.Zeros(size_t(kSuperIndexEntries - segments_.size()) * kSuperIndexLongs * 4);
    b.Close(indx);
}

void AviFile::AppendOdmlList(std::vector<uint8_t>& out) const {
    Bytes b(out);
    const size_t odml = b.Open("LIST");
    b.Code("odml");
    const size_t dmlh = b.Open("dmlh");
    b.U32(Clamp32(total_frames_));
    b.Zeros(kDmlhBytes - 4);
    b.Close(dmlh);
    b.Close(odml);
}

bool AviFile::Begin(const AviStreamFormat& format) {
    if (!IsCreated() || begun_ || failed_) return false;
    format_ = format;
    chunk_id_ = MakeFourCc(format.codec ? "00dc" : "00db");
    header_bytes_ = HeaderBytes().size();
    end_ = header_bytes_;
    segment_start_ = 0;
    movi_start_ = header_bytes_ - 12;
    begun_ = true;
    return RewriteHeaders();
}

bool AviFile::WriteFrame(const uint8_t* data, size_t size, bool key_frame) {
    if (!begun_ || failed_) return false;
    if (size > kAviMaxFrameBytes) return Fail("a frame is too large for an AVI file", EFBIG);
    const uint64_t chunk_bytes = 8 + size + (size & 1);
    if (!segment_frames_.empty() && end_ - segment_start_ + chunk_bytes > segment_limit_)
        if (!EndSegment() || !StartSegment()) return false;

    const uint64_t offset = end_;
    const uint32_t size32 = uint32_t(size);
    uint8_t header[8];
    PutLe32(header, chunk_id_);
    PutLe32(header + 4, size32);
    static const uint8_t kPad = 0;
    if (!Append({{header, 8}, {data, size}, {&kPad, size & 1}})) return false;

    segment_frames_.push_back({offset, size32, key_frame});
    if (!first_closed_) ++first_segment_frames_;
    ++total_frames_;
    largest_chunk_ = std::max(largest_chunk_, size32);
    // Once per second of stream: a killed process leaves counts and sizes
    // that are at most a second behind.
    if (total_frames_ % std::max<uint32_t>(format_.frame_rate, 1) == 0) return RewriteHeaders();
    return true;
}

bool AviFile::Finish() {
    if (!IsCreated()) return !failed_;
    if (begun_) {
        EndSegment();
        RewriteHeaders();
    }
    if (::close(fd_) != 0 && !failed_) Fail("cannot finish the file", errno);
    fd_ = -1;
    return !failed_;
}

bool AviFile::RewriteHeaders() {
    const std::vector<uint8_t> header = HeaderBytes();
    size_t done = 0;
    while (done < header.size()) {
        const ssize_t n = ::pwrite(fd_, header.data() + done, header.size() - done, off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail("cannot write the file's headers", n < 0 ? errno : EIO);
        done += size_t(n);
    }
    if (segment_start_ == 0) return true;
    // A later segment's sizes live in its own RIFF and movi headers.
    return PutAt(segment_start_ + 4, Clamp32(end_ - segment_start_ - 8)) &&
           PutAt(movi_start_ + 4, Clamp32(end_ - movi_start_ - 8));
}

// A further RIFF 'AVIX' with its own movi list.
bool AviFile::StartSegment() {
    if (segments_.size() >= kSuperIndexEntries)
        return Fail("the file has reached its largest size", EFBIG);
    std::vector<uint8_t> out;
    Bytes b(out);
    b.Code("RIFF");
    b.U32(16);
    b.Code("AVIX");
    b.Code("LIST");
    b.U32(4);
    b.Code("movi");
    const uint64_t start = end_;
    if (!Append({{out.data(), out.size()}})) return false;
    segment_start_ = start;
    movi_start_ = start + 12;
    return true;
}

// The current segment's standard index (ix00), which ends its movi list.
std::vector<uint8_t> AviFile::ChunkIndexBytes() const {
    std::vector<uint8_t> ix;
    Bytes b(ix);
    const size_t ix_data = b.Open("ix00");
    IndexHeader(b, kChunkIndexLongs, kIndexOfChunks, segment_frames_.size(), chunk_id_);
    b.U64(segment_start_);  // base of the entries' offsets
    b.U32(0);
    for (const IndexEntry& e : segment_frames_) {
        b.U32(uint32_t(e.offset + 8 - segment_start_));  // the data, past the chunk header
        b.U32(e.size | (e.key_frame ? 0 : kDeltaFrameBit));
    }
    b.Close(ix_data);
    return ix;
}

// The AVI 1.0 index (idx1) of the first segment, for players that know no
// OpenDML.
std::vector<uint8_t> AviFile::LegacyIndexBytes() const {
    std::vector<uint8_t> idx1;
    Bytes b(idx1);
    const size_t idx1_data = b.Open("idx1");
    for (const IndexEntry& e : segment_frames_) {
        b.U32(chunk_id_);
        b.U32(e.key_frame ? kAviifKeyFrame : 0);
        b.U32(uint32_t(e.offset - (movi_start_ + 8)));  // from the 'movi' code
        b.U32(e.size);
    }
    b.Close(idx1_data);
    return idx1;
}

// Closes the current segment: its standard index ends the movi list; the
// first segment also gets the AVI 1.0 index after it.
bool AviFile::EndSegment() {
    const std::vector<uint8_t> ix = ChunkIndexBytes();
    const uint64_t ix_offset = end_;
    bool ok = Append({{ix.data(), ix.size()}});
    if (ok) segments_.push_back({ix_offset, uint32_t(ix.size()), uint32_t(segment_frames_.size())});

    const uint64_t movi_end = end_;
    if (!first_closed_) {
        const std::vector<uint8_t> idx1 = LegacyIndexBytes();
        first_indexed_ = Append({{idx1.data(), idx1.size()}});
        ok = first_indexed_ && ok;
        first_movi_end_ = movi_end;
        first_riff_end_ = end_;
        first_closed_ = true;
    } else {
        ok = PutAt(movi_start_ + 4, Clamp32(movi_end - movi_start_ - 8)) &&
             PutAt(segment_start_ + 4, Clamp32(end_ - segment_start_ - 8)) && ok;
    }
    segment_frames_.clear();
    return ok;
}

// Writes the pieces at the end of the file.  A piece that cannot be written
// takes the whole append back, so the file ends on a complete chunk.
bool AviFile::Append(std::initializer_list<std::pair<const void*, size_t>> pieces) {
    const uint64_t start = end_;
    for (const auto& [data, size] : pieces) {
        const uint8_t* bytes = static_cast<const uint8_t*>(data);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, bytes + done, size - done, off_t(end_));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : ENOSPC;
                if (::ftruncate(fd_, off_t(start)) == 0) end_ = start;
                return Fail("cannot write to the file", error);
            }
            done += size_t(n);
            end_ += uint64_t(n);
        }
    }
    return true;
}

bool AviFile::PutAt(uint64_t offset, uint32_t value) {
    uint8_t bytes[4];
    PutLe32(bytes, value);
    if (::pwrite(fd_, bytes, 4, off_t(offset)) == 4) return true;
    return Fail("cannot write to the file", errno);
}

bool AviFile::Fail(const char* what, int error_number) {
    if (!failed_) {
        error_ = std::string(what) + ": " + std::strerror(error_number);
        error_number_ = error_number;
    }
    failed_ = true;
    return false;
}
