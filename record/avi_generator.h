// AviGenerator: writer of one video stream, reused for every recording.
//
// Calling order: SetFrameRate, SetHeader, SetOutputName, Open, WriteFrame per
// frame, Close (once after every Open, whatever it returned).  Frames are
// 32-bit BGRx, bottom row first.  Built on a GStreamer pipeline that feeds
// the chosen container: our own AVI writer (record/avi_file.h), so frames of
// any size the chosen encoder takes can be stored, or a fragmented MP4
// (record/mp4_file.h) for H.264:
// appsrc -> conversion -> flip -> chosen encoder -> caps -> appsink -> file.
// Open asks for the compressor ("Video Compression") unless ChooseCompressor
// was called before it; a caller that names files by the time calls it
// first, so the name tells when recording began, not when the dialog opened,
// and takes the container's extension from ChosenContainer().  Open itself
// gives a name ending in ".avi" or ".mp4" the chosen container's extension.
// The writer shows nothing itself: Open returns a status (0 ok,
// kAviOpenCancelled, else an AVI error code) and keeps a status text.  A
// file that received no frame is removed by Close.
// Pre-capture (motion record): with SetPrecapture(keep) before Open, the
// encoder runs from Open on but the file takes frames only while FeedFile
// is on; the frames in between fill a ring of the last `keep` of encoded
// frames (record/precapture.h), and when feeding starts the ring goes to
// the file first, from a key frame, so the file begins `keep` before and
// runs on without a gap or a repeat.  Frames in the file are timed by their
// order at the stream's rate, whatever the container.
// The settings, the encoder table, the checks and the status texts live in
// avi_generator.cpp; the pipeline in avi_generator_gst.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/encoder_chooser.h"
#include "record/avi_file.h"

#pragma pack(push, 1)
struct BitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

// Error codes of the AVI file library that Open reports.
constexpr uint32_t kAviErrUnsupported = 0x80044065;
constexpr uint32_t kAviErrBadFormat = 0x80044066;
constexpr uint32_t kAviErrMemory = 0x80044067;
constexpr uint32_t kAviErrFileRead = 0x8004406D;
constexpr uint32_t kAviErrFileWrite = 0x8004406E;
constexpr uint32_t kAviErrFileOpen = 0x8004406F;
constexpr uint32_t kAviErrNoCompressor = 0x80044071;
constexpr uint32_t kAviErrReadOnly = 0x80044072;
constexpr uint32_t kRegErrClassNotRegistered = 0x80040154;

// Open's status when the user cancelled the compressor dialog.
constexpr int32_t kAviOpenCancelled = 1;

// Open steps whose failures carry an explanation of the code.
enum class AviOpenStep { CreateFile = 4, CreateStream = 6, CompressedStream = 8 };

// The header of uncompressed 32-bit frames, bottom row first (positive
// height): 40 bytes, 1 plane, image size width x height x 4.
BitmapInfoHeader FrameHeader(int width, int height);

// The text appended to a failing step's message for `code`; "" for codes
// the step does not explain.
const char* AviErrorText(AviOpenStep step, uint32_t code);

// The code of a file that could not be created, for its errno.
uint32_t FileCreationError(int error_number);

// Whether a stream of `header`'s frames at `frame_rate` can be written:
// 32-bit uncompressed frames of at least 4 x 4 pixels whose image size holds
// them, at a rate above 0.
bool FrameHeaderUsable(const BitmapInfoHeader& header, uint32_t frame_rate);
// Bytes of one frame of `header` (0 for a size without pixels).
uint64_t FrameBytes(const BitmapInfoHeader& header);

enum class EncoderFamily { kRaw, kMjpeg, kH264, kMpeg4 };

// One compressor the writer offers, and how the pipeline builds it.
struct EncoderEntry {
    const char* id;
    const char* label;
    EncoderFamily family;
    const char* element;     // GStreamer element; nullptr: frames are stored as they are
    const char* fed_caps;    // what the encoder is fed
    const char* coded_caps;  // what the encoder hands to an AVI file
    const char* mp4_caps;    // what it hands to an MP4 file; nullptr: MP4 cannot carry it
    uint32_t codec;          // the AVI stream's four-character code
    uint16_t bit_count;      // bits per pixel the AVI header declares
    int max_side;            // the encoder's largest frame side (0: none)
};

// The known compressors whose element `installed` finds, in the chooser's
// order; uncompressed frames are always offered.
std::vector<EncoderOption> OfferedEncoders(bool (*installed)(const char* element));
const EncoderEntry* FindEncoder(const std::string& id);
// Why `entry` cannot take width x height frames (a text that continues the
// failure message), or "" when it can.
std::string FrameSizeRefusal(const EncoderEntry& entry, int width, int height);
// The caps of what the entry's chain hands to a file of `container`.
const char* StoredCaps(const EncoderEntry& entry, VideoContainer container = VideoContainer::kAvi);
// `name` with a trailing ".avi" or ".mp4" swapped for `container`'s
// extension; any other name as it is.
std::string WithContainerExtension(const std::string& name, VideoContainer container);
// The AVI stream of `entry`'s frames (set-up data comes with the first frame).
AviStreamFormat StreamFormat(const EncoderEntry& entry, int width, int height, uint32_t frame_rate);
// Quality 1 (smallest file) .. 100 (best picture) on the encoders' own
// quantizer scales: x264 50 .. 10, MPEG-4 Part 2 31 .. 2.
unsigned H264Quantizer(int quality);
float Mpeg4Quantizer(int quality);

class AviGenerator {
public:
    AviGenerator();
    ~AviGenerator();

    void SetFrameRate(uint32_t frame_rate);
    void SetHeader(const BitmapInfoHeader* header);
    void SetOutputName(const char* file_name);
    void EnsureAviExtension();
    // Asks for the compressor now; the next Open uses the answer instead of
    // asking.  False when the user cancels.
    bool ChooseCompressor();
    // The container of the compressor chosen last (AVI before any choice).
    VideoContainer ChosenContainer() const { return m_compressor.container; }
    // 0 (the default): no pre-capture, every frame goes to the file.
    void SetPrecapture(uint64_t keep_ns) { m_nPrecaptureNs = keep_ns; }
    uint64_t GetPrecapture() const { return m_nPrecaptureNs; }
    // With pre-capture: frames written from now on go to the file (true) or
    // to the ring.
    void FeedFile(bool on) { m_bFeedFile = on; }
    bool IsFeedingFile() const { return m_nPrecaptureNs == 0 || m_bFeedFile; }
    // The ring's bytes and stream time now, and whether its memory budget
    // has cut it shorter than asked.
    uint64_t PrecaptureBytes() const;
    uint64_t PrecaptureHeldNs() const;
    bool PrecaptureCutShort() const;
    int32_t Open();
    int32_t WriteFrame(const uint8_t* pixels);
    void Close();

    const std::string& GetLastErrorMessage() const { return m_sLastError; }
    const std::string& GetFileName() const { return m_sFileName; }
    uint32_t GetFrameRate() const { return m_nFrameRate; }
    const BitmapInfoHeader& GetHeader() const { return m_bitmapHeader; }
    int32_t GetFrameIndex() const { return m_nFrameIndex; }
    // True between a successful Open and Close while frames can be stored.
    bool IsOpen() const { return m_pStreamCompressed != nullptr; }
    // Frames the last file holds; final once Close has returned (0: the
    // file was removed).
    int64_t GetFramesStored() const { return m_nFramesStored; }

private:
    // Open's steps, in this order; each returns 0 or Open's status.
    int32_t CreateOutputFile();
    int32_t CreateSourceStream();
    int32_t CreateCompressedStream();
    int32_t StartStream();

    // The status text of a failing step; returns the code as Open's status.
    int32_t Fail(const char* message, AviOpenStep step, uint32_t code);
    int32_t FailCreateFile(uint32_t code);
    int32_t FailStream(uint32_t code);
    int32_t FailCompressedStream(uint32_t code, const std::string& detail = "");

    struct Pipeline;
    std::string m_sFileName;
    uint32_t m_nFrameRate;
    BitmapInfoHeader m_bitmapHeader;
    std::string m_sLastError;
    int32_t m_nFrameIndex;
    int64_t m_nFramesStored;
    EncoderChoice m_compressor;    // valid while m_bCompressorChosen
    bool m_bCompressorChosen;
    uint64_t m_nPrecaptureNs = 0;
    bool m_bFeedFile = false;
    Pipeline* m_pAVIFile;
    void* m_pStream;
    void* m_pStreamCompressed;
};
