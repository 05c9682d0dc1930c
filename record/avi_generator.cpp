// AviGenerator settings, the extension rule and the status texts; the
// pipeline itself is in avi_generator_gst.cpp.
#include "record/avi_generator.h"

#include <cassert>
#include <cstdio>
#include <cstring>

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

AviGenerator::AviGenerator(const char* file_name, const BitmapInfoHeader* header, uint32_t frame_rate)
    : m_sFileName(file_name),
      m_nFrameRate(frame_rate),
      m_bitmapHeader{},
      m_nFrameIndex(0),
      m_nFramesStored(0),
      m_bCompressorChosen(false),
      m_pAVIFile(nullptr),
      m_pStream(nullptr),
      m_pStreamCompressed(nullptr) {
    EnsureAviExtension();
    SetHeader(header);
}

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
    if (m_sFileName.find("avi") == std::string::npos) m_sFileName += ".avi";
}

int32_t AviGenerator::Fail(const char* message, AviOpenStep step, uint32_t code) {
    m_sLastError = message;
    m_sLastError += AviErrorText(step, code);
    return static_cast<int32_t>(code);
}
