// Controls and records of the AVI writer stand-in (fake_record.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/encoder_chooser.h"

struct FakeAvi {
    bool choose_accepts = true;       // ChooseCompressor's answer (false: Cancel)
    VideoContainer container = VideoContainer::kAvi;  // the container it chooses
    std::function<void()> on_choose;  // runs while the compressor is being chosen
    int chooser_calls = 0;
    int32_t open_status = 0;          // what Open returns
    std::string open_error = "Ok";    // status text a failing Open leaves
    int32_t write_status = 0;         // what WriteFrame returns while open
    int opens = 0, closes = 0;
    std::vector<std::string> opened_files;
    int frames = 0;                   // frames stored (with pre-capture: while feeding the file)
    int ring_frames = 0;              // frames that went to the pre-capture ring
    bool cut_short = false;           // what PrecaptureCutShort says
    std::vector<uint8_t> last_frame;  // bytes of the last stored frame
};
extern FakeAvi fake_avi;

// Fresh controls; the writer itself must be closed.
void ResetFakeAvi();
