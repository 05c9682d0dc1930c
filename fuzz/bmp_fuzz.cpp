// BMP loader: any file content either loads into a consistent image or is refused.
#include <cstdlib>

#include "fuzz_support.h"
#include "image/bmp_loader.h"
#include "platform/dialogs.h"

namespace {

// Refusals are the expected outcome here: their boxes would flood the log.
int SilentBox(const char*, const char*, MsgIcon, MsgButtons) { return kMsgOk; }
bool NoFileChosen(const char*, const FileFilter&, char*, size_t) { return false; }
const DialogBackend kSilentDialogs = {SilentBox, NoFileChosen};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetDialogBackend(&kSilentDialogs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchDir() + "/input.bmp";
    WriteScratchFile(path, data, size);
    RgbImage* image = LoadBitmapImage(path.c_str());
    if (image) {
        if (image->width <= 0 || image->height <= 0 || !image->data) std::abort();
        // Touch every pixel the loader promised.
        unsigned sum = 0;
        const size_t bytes = size_t(image->width) * size_t(image->height) * 3;
        for (size_t i = 0; i < bytes; i += 61) sum += image->data[i];
        sum += image->data[bytes - 1];
        volatile unsigned sink = sum;
        (void)sink;
        delete image;
    }
    return 0;
}
