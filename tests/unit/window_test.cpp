// The camera window on a smaller screen: it fits, and keeps its shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/window.h"

namespace {

TEST(WindowTest, FitsTheScreenKeepingTheShape) {
    const WindowSize screens[] = {{1280, 1024}, {1920, 1080}, {800, 600}, {1024, 1280}};
    const WindowSize cameras[] = {{320, 240}, {1920, 1080}, {2048, 1080}, {5120, 1440}, {640, 4000}};
    for (const WindowSize screen : screens)
        for (const WindowSize camera : cameras) {
            const WindowSize fit = FitToScreen(camera.width, camera.height, screen);
            SCOPED_TRACE(std::to_string(camera.width) + "x" + std::to_string(camera.height) + " on " +
                         std::to_string(screen.width) + "x" + std::to_string(screen.height));
            EXPECT_LE(fit.width, screen.width);
            EXPECT_LE(fit.height, screen.height);
            EXPECT_TRUE(fit.width == screen.width || fit.height == screen.height ||
                        (fit.width == camera.width && fit.height == camera.height));
            // Same shape, to the pixel the scaled side loses by rounding down.
            EXPECT_LE(std::abs(int64_t(fit.width) * camera.height - int64_t(fit.height) * camera.width),
                      int64_t(std::max(camera.width, camera.height)));
        }
    EXPECT_EQ(FitToScreen(1920, 1080, {1280, 1024}).height, 720);
    EXPECT_EQ(FitToScreen(640, 480, {0, 0}).width, 640);  // screen unknown
}

}  // namespace
