// The motion mask: loading through the BMP loader and scaling to the frame.
#include "motion/motion_mask.h"

#include <cstdio>
#include <memory>

#include "image/bmp_loader.h"
#include "platform/dialogs.h"

bool MotionMaskLoaded(const MotionMask& mask) { return !mask.image.empty(); }

void ClearMotionMask(MotionMask* mask) {
    const uint32_t generation = mask->generation + 1;
    *mask = MotionMask{};
    mask->generation = generation;
}

bool LoadMotionMask(const char* path, MotionMask* mask) {
    ClearMotionMask(mask);
    const std::unique_ptr<RgbImage> image(LoadBitmapImage(path));
    if (!image || !image->data) return false;
    if (image->width < 2 && image->height < 2) {
        char text[400];
        std::snprintf(text, sizeof text, "Motion mask %s is 1 x 1 pixels: it marks no area.", path);
        ShowMessageBox(text, "Error", MsgIcon::Error);
        return false;
    }
    mask->image_width = image->width;
    mask->image_height = image->height;
    const size_t pixels = static_cast<size_t>(image->width) * image->height;
    mask->image.resize(pixels);
    // The grey of a grey pixel is its level; of a coloured one, its brightness.
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* rgb = image->data + 3 * i;
        mask->image[i] = static_cast<uint8_t>((77u * rgb[0] + 150u * rgb[1] + 29u * rgb[2] + 128) >> 8);
    }
    return true;
}

const uint8_t* MotionMaskWeights(MotionMask& mask, int width, int height) {
    if (!MotionMaskLoaded(mask) || width <= 0 || height <= 0) return nullptr;
    if (mask.width == width && mask.height == height) return mask.weights.data();
    mask.width = width;
    mask.height = height;
    mask.weights.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const int64_t source_y = (int64_t{2} * y + 1) * mask.image_height / (int64_t{2} * height);
        const uint8_t* source_row = mask.image.data() + source_y * mask.image_width;
        uint8_t* row = mask.weights.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x)
            row[x] = source_row[(int64_t{2} * x + 1) * mask.image_width / (int64_t{2} * width)];
    }
    return mask.weights.data();
}
