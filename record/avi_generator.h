// AviGenerator: writer of one AVI video stream, reused for every recording.
//
// Calling order: SetFrameRate, SetHeader, SetOutputName, Open, WriteFrame per
// frame, Close.  Frames are 32-bit BGRx, bottom row first.  Built on a
// GStreamer pipeline: appsrc -> conversion -> chosen encoder -> avimux -> file.
#pragma once

#include <cstdint>
#include <string>

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

class AviGenerator {
public:
    AviGenerator();
    AviGenerator(const char* file_name, const BitmapInfoHeader* header, uint32_t frame_rate);
    ~AviGenerator();

    void SetFrameRate(uint32_t frame_rate);
    void SetHeader(const BitmapInfoHeader* header);
    void SetOutputName(const char* file_name);
    void EnsureAviExtension();
    int32_t Open();
    int32_t WriteFrame(const uint8_t* pixels);
    void Close();

    const std::string& GetLastErrorMessage() const { return m_sLastError; }
    const std::string& GetFileName() const { return m_sFileName; }

private:
    struct Pipeline;
    std::string m_sFileName;
    uint32_t m_nFrameRate;
    BitmapInfoHeader m_bitmapHeader;
    std::string m_sLastError;
    int32_t m_nFrameIndex;
    Pipeline* m_pAVIFile;
    void* m_pStream;
    void* m_pStreamCompressed;
};
