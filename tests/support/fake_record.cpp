// Stand-ins for the recording edges: the pipeline half of AviGenerator
// (record/avi_generator_gst.cpp) and the window read-back
// (record/record_gl.cpp).  Calls are logged; fake_avi steers them.
#include "support/fake_record.h"

#include "record/avi_generator.h"
#include "record/record.h"
#include "support/fake_log.h"

FakeAvi fake_avi;

void ResetFakeAvi() { fake_avi = FakeAvi{}; }

namespace {
char g_handle;  // any non-null address stands for an open handle
}

bool AviGenerator::ChooseCompressor() {
    ++fake_avi.chooser_calls;
    if (fake_avi.on_choose) fake_avi.on_choose();
    m_bCompressorChosen = fake_avi.choose_accepts;
    m_compressor.container = fake_avi.container;
    return fake_avi.choose_accepts;
}

int32_t AviGenerator::Open() {
    ++fake_avi.opens;
    m_nFramesStored = 0;
    m_bCompressorChosen = false;
    fake_avi.opened_files.push_back(m_sFileName);
    LogFakeCall("AviGenerator::Open " + m_sFileName + " " + std::to_string(m_bitmapHeader.biWidth) +
                "x" + std::to_string(m_bitmapHeader.biHeight) + " @" + std::to_string(m_nFrameRate));
    m_pAVIFile = reinterpret_cast<Pipeline*>(&g_handle);
    m_pStream = &g_handle;
    if (fake_avi.open_status != 0) {
        m_sLastError = fake_avi.open_error;
        return fake_avi.open_status;
    }
    m_sLastError = "Ok";
    m_pStreamCompressed = &g_handle;
    m_nFrameIndex = 0;
    return 0;
}

int32_t AviGenerator::WriteFrame(const uint8_t* pixels) {
    ++m_nFrameIndex;
    if (!m_pStreamCompressed) return static_cast<int32_t>(kAviErrFileWrite);
    if (fake_avi.write_status != 0) return fake_avi.write_status;
    if (!IsFeedingFile()) {
        ++fake_avi.ring_frames;
        return 0;
    }
    fake_avi.last_frame.assign(pixels, pixels + m_bitmapHeader.biSizeImage);
    ++fake_avi.frames;
    ++m_nFramesStored;
    return 0;
}

uint64_t AviGenerator::PrecaptureBytes() const { return 0; }
uint64_t AviGenerator::PrecaptureHeldNs() const { return 0; }
bool AviGenerator::PrecaptureCutShort() const { return fake_avi.cut_short; }

void AviGenerator::Close() {
    ++fake_avi.closes;
    LogFakeCall("AviGenerator::Close");
    m_bCompressorChosen = false;
    m_bFeedFile = false;
    m_pStreamCompressed = nullptr;
    m_pStream = nullptr;
    m_pAVIFile = nullptr;
}

// Pixel (x, y) reads as blue x, green y, red 0x55, alpha 0xFF (low bytes).
void ReadWindowPixels(int width, int height, int row_pixels, uint8_t* pixels) {
    LogFakeCall("ReadWindowPixels " + std::to_string(width) + "x" + std::to_string(height) + "/" +
                std::to_string(row_pixels));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = pixels + (size_t(y) * row_pixels + x) * 4;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 0x55;
            p[3] = 0xFF;
        }
}
