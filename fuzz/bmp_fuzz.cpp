// BMP loader: any file content either loads into a consistent image or is refused.
#include <cstdlib>

#include "fuzz_support.h"
#include "image/bmp_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchDir() + "/input.bmp";
    bmp_error_popups = false;
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
