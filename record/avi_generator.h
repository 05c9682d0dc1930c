// AviGenerator: writer of one AVI video stream, reused for every recording.
//
// Calling order: SetFrameRate, SetHeader, SetOutputName, Open, WriteFrame per
// frame, Close (once after every Open, whatever it returned).  Frames are
// 32-bit BGRx, bottom row first.  Built on a GStreamer pipeline that feeds
// our own AVI container (record/avi_file.h), so frames of any size the
// chosen encoder takes can be stored:
// appsrc -> conversion -> flip -> chosen encoder -> caps -> appsink -> AviFile.
// Open asks for the compressor ("Video Compression") unless ChooseCompressor
// was called before it; a caller that names files by the time calls it
// first, so the name tells when recording began, not when the dialog opened.
// The writer shows nothing itself: Open returns a status (0 ok, 1 cancelled
// or library too old, else an AVI error code) and keeps a status text.  A
// file that received no frame is removed by Close.
// The settings and the extension rule live in avi_generator.cpp; the
// pipeline in avi_generator_gst.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "platform/encoder_chooser.h"

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

// Open steps whose failures carry an explanation of the code.
enum class AviOpenStep { CreateFile = 4, CreateStream = 6, CompressedStream = 8 };

// The header of uncompressed 32-bit frames, bottom row first (positive
// height): 40 bytes, 1 plane, image size width x height x 4.
BitmapInfoHeader FrameHeader(int width, int height);

// The text appended to a failing step's message for `code`; "" for codes
// the step does not explain.
const char* AviErrorText(AviOpenStep step, uint32_t code);

class AviGenerator {
public:
    AviGenerator();
    AviGenerator(const char* file_name, const BitmapInfoHeader* header, uint32_t frame_rate);
    ~AviGenerator();

    void SetFrameRate(uint32_t frame_rate);
    void SetHeader(const BitmapInfoHeader* header);
    void SetOutputName(const char* file_name);
    void EnsureAviExtension();
    // Asks for the compressor now; the next Open uses the answer instead of
    // asking.  False when the user cancels.
    bool ChooseCompressor();
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
    int32_t Fail(const char* message, AviOpenStep step, uint32_t code);

    struct Pipeline;
    std::string m_sFileName;
    uint32_t m_nFrameRate;
    BitmapInfoHeader m_bitmapHeader;
    std::string m_sLastError;
    int32_t m_nFrameIndex;
    int64_t m_nFramesStored;
    EncoderChoice m_compressor;    // valid while m_bCompressorChosen
    bool m_bCompressorChosen;
    Pipeline* m_pAVIFile;
    void* m_pStream;
    void* m_pStreamCompressed;
};
