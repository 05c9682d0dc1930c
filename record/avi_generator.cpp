// AviGenerator settings, the extension rule, the encoder table, the checks
// and the status texts; the pipeline itself is in avi_generator_gst.cpp.
#include "record/avi_generator.h"

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The smallest frame side every encoder takes (sizes are multiples of 4).
constexpr int kMinFrameSide = 4;

// Motion JPEG is full range by definition (JFIF): it is fed full-range
// 4:2:0, or every decoder shows black at 16 and white at 235.  H.264 and
// MPEG-4 flag limited range, which decoders expand back.
// The largest sides are the encoders' own: libjpeg 65500, x264 16384,
// MPEG-4 Part 2's 13-bit size fields 8191.
const EncoderEntry kEncoders[] = {
    {"raw", "Full Frames (Uncompressed)", EncoderFamily::kRaw, nullptr, "video/x-raw,format=BGRx",
     nullptr, nullptr, 0, 32, 0},
    {"mjpeg", "Motion JPEG", EncoderFamily::kMjpeg, "jpegenc",
     "video/x-raw,format=I420,colorimetry=1:4:0:0", "image/jpeg", nullptr,
     MakeFourCc("MJPG"), 24, 65500},
    {"h264", "H.264", EncoderFamily::kH264, "x264enc", "video/x-raw,format=I420",
     "video/x-h264,profile=baseline,stream-format=byte-stream,alignment=au",
     "video/x-h264,profile=baseline,stream-format=avc,alignment=au", MakeFourCc("H264"), 24, 16384},
    {"mpeg4", "MPEG-4 Part 2", EncoderFamily::kMpeg4, "avenc_mpeg4", "video/x-raw,format=I420",
     "video/mpeg,mpegversion=4,systemstream=false", nullptr, MakeFourCc("FMP4"), 24,
     8191},
};

constexpr const char* kStreamFailed = "AVI Stream creation failed. Check Bitmap info.";
constexpr const char* kCompressedStreamFailed = "AVI Compressed Stream creation failed.";

}  // namespace

const char* AviErrorText(AviOpenStep step, uint32_t code) {
    switch (step) {
        case AviOpenStep::CreateFile:
            switch (code) {
                case kAviErrBadFormat:
                    return "The file couldn't be read, indicating a corrupt file or an unrecognized format.";
                case kAviErrMemory:
                    return "The file could not be opened because of insufficient memory.";
                case kAviErrFileRead: return "A disk error occurred while reading the file.";
                case kAviErrFileOpen: return "A disk error occurred while opening the file.";
                case kRegErrClassNotRegistered:
                    return "According to the registry, the type of file specified in AVIFileOpen "
                           "does not have a handler to process it";
            }
            break;
        case AviOpenStep::CreateStream:
            if (code == kAviErrReadOnly) return " Read only file.";
            break;
        case AviOpenStep::CompressedStream:
            switch (code) {
                case kAviErrUnsupported:
                    return "Compression is not supported for this type of data. This error might be "
                           "returned if you try to compress data that is not audio or video.";
                case kAviErrMemory: return " There is not enough memory to complete the operation.";
                case kAviErrNoCompressor: return " A suitable compressor cannot be found.";
            }
            break;
    }
    return "";
}

BitmapInfoHeader FrameHeader(int width, int height) {
    BitmapInfoHeader header{};
    header.biSize = sizeof(BitmapInfoHeader);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = 0;
    header.biSizeImage = width > 0 && height > 0 ? uint32_t(width) * uint32_t(height) * 4 : 0;
    return header;
}

AviGenerator::AviGenerator()
    : m_sFileName("Untitled.avi"),
      m_nFrameRate(30),
      m_bitmapHeader{},
      m_nFrameIndex(0),
      m_nFramesStored(0),
      m_bCompressorChosen(false),
      m_pAVIFile(nullptr),
      m_pStream(nullptr),
      m_pStreamCompressed(nullptr) {}

AviGenerator::~AviGenerator() {
    assert(m_pStream == NULL);
    assert(m_pStreamCompressed == NULL);
    assert(m_pAVIFile == NULL);
}

void AviGenerator::SetFrameRate(uint32_t frame_rate) { m_nFrameRate = frame_rate; }

void AviGenerator::SetHeader(const BitmapInfoHeader* lpbih) {
    assert(lpbih->biWidth % 4 == 0);
    assert(lpbih->biHeight % 4 == 0);
    std::memcpy(&m_bitmapHeader, lpbih, sizeof m_bitmapHeader);
}

void AviGenerator::SetOutputName(const char* file_name) {
    m_sFileName = file_name;
    EnsureAviExtension();
}

void AviGenerator::EnsureAviExtension() {
    // A name already made for the MP4 container keeps its extension.
    const std::string mp4 = ContainerExtension(VideoContainer::kMp4);
    const bool named_mp4 = m_sFileName.size() > mp4.size() &&
                           m_sFileName.compare(m_sFileName.size() - mp4.size(), mp4.size(), mp4) == 0;
    if (m_sFileName.find("avi") == std::string::npos && !named_mp4) m_sFileName += ".avi";
}

int32_t AviGenerator::Fail(const char* message, AviOpenStep step, uint32_t code) {
    m_sLastError = message;
    m_sLastError += AviErrorText(step, code);
    return static_cast<int32_t>(code);
}

int32_t AviGenerator::FailCreateFile(uint32_t code) {
    char szBuffer[1024];
    std::snprintf(szBuffer, sizeof szBuffer, "AVI Engine failed to initialize. Check filename %s.",
                  m_sFileName.c_str());
    return Fail(szBuffer, AviOpenStep::CreateFile, code);
}

int32_t AviGenerator::FailStream(uint32_t code) {
    return Fail(kStreamFailed, AviOpenStep::CreateStream, code);
}

int32_t AviGenerator::FailCompressedStream(uint32_t code, const std::string& detail) {
    return Fail((kCompressedStreamFailed + detail).c_str(), AviOpenStep::CompressedStream, code);
}

uint32_t FileCreationError(int error_number) {
    return error_number == ENOMEM ? kAviErrMemory : kAviErrFileOpen;
}

uint64_t FrameBytes(const BitmapInfoHeader& header) {
    const int width = header.biWidth, height = header.biHeight;
    return uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0) * 4;
}

bool FrameHeaderUsable(const BitmapInfoHeader& header, uint32_t frame_rate) {
    return header.biBitCount == 32 && header.biCompression == 0 && header.biWidth >= kMinFrameSide &&
           header.biHeight >= kMinFrameSide && header.biSizeImage >= FrameBytes(header) && frame_rate != 0;
}

std::vector<EncoderOption> OfferedEncoders(bool (*installed)(const char* element)) {
    std::vector<EncoderOption> offered;
    for (const EncoderEntry& entry : kEncoders)
        if (!entry.element || installed(entry.element))
            offered.push_back({entry.id, entry.label, entry.element != nullptr, entry.mp4_caps != nullptr});
    return offered;
}

const EncoderEntry* FindEncoder(const std::string& id) {
    for (const EncoderEntry& entry : kEncoders)
        if (id == entry.id) return &entry;
    return nullptr;
}

std::string FrameSizeRefusal(const EncoderEntry& entry, int width, int height) {
    char text[256] = "";
    const uint64_t frame_bytes = uint64_t(width) * uint64_t(height) * 4;
    if (entry.max_side > 0 && (width > entry.max_side || height > entry.max_side)) {
        std::snprintf(text, sizeof text,
                      " %s takes frames of at most %d x %d pixels; this recording is %d x %d. "
                      "Choose another compressor.",
                      entry.label, entry.max_side, entry.max_side, width, height);
    } else if (!entry.element && frame_bytes > kAviMaxFrameBytes) {
        std::snprintf(text, sizeof text,
                      " %s takes frames of less than 2 GiB; a %d x %d frame takes %llu MiB. "
                      "Choose a compressor.",
                      entry.label, width, height, static_cast<unsigned long long>(frame_bytes >> 20));
    }
    return text;
}

const char* StoredCaps(const EncoderEntry& entry, VideoContainer container) {
    if (!entry.element) return entry.fed_caps;
    return container == VideoContainer::kMp4 && entry.mp4_caps ? entry.mp4_caps : entry.coded_caps;
}

std::string WithContainerExtension(const std::string& name, VideoContainer container) {
    constexpr size_t kExtensionLength = 4;  // ".avi", ".mp4"
    if (name.size() < kExtensionLength) return name;
    const std::string ending = name.substr(name.size() - kExtensionLength);
    for (VideoContainer known : {VideoContainer::kAvi, VideoContainer::kMp4})
        if (ending == ContainerExtension(known))
            return name.substr(0, name.size() - kExtensionLength) + ContainerExtension(container);
    return name;
}

AviStreamFormat StreamFormat(const EncoderEntry& entry, int width, int height, uint32_t frame_rate) {
    AviStreamFormat format;
    format.width = width;
    format.height = height;
    format.frame_rate = frame_rate;
    format.codec = entry.codec;
    format.bit_count = entry.bit_count;
    return format;
}

unsigned H264Quantizer(int quality) { return unsigned(50 - quality * 40 / 100); }

float Mpeg4Quantizer(int quality) { return float(2 + (100 - quality) * 29.0 / 99.0); }
