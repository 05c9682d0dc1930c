// The camera window on a smaller screen: it fits, and keeps its shape.  The
// picture in a window of any shape: the camera's shape, centred, bars around;
// pointer positions on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/window.h"
#include "support/state_guard.h"

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

std::string Sizes(int ww, int wh, int pw, int ph) {
    return std::to_string(pw) + "x" + std::to_string(ph) + " in " + std::to_string(ww) + "x" +
           std::to_string(wh);
}

// Every window from 1 x 1 to 300 x 300 (odd sizes included) and cameras of
// common and odd shapes.
TEST(PictureFitTest, LargestCentredRectangleOfTheCameraShape) {
    const WindowSize cameras[] = {{320, 240}, {1920, 1080}, {641, 479}, {1, 1000}, {1000, 1}, {5120, 1440}};
    for (const WindowSize camera : cameras)
        for (int ww = 1; ww <= 300; ++ww)
            for (int wh = 1; wh <= 300; ++wh) {
                const PictureRect r = FitPicture(ww, wh, camera.width, camera.height);
                const std::string where = Sizes(ww, wh, camera.width, camera.height);
                // Inside the window, at least a pixel, one side full.
                ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.width >= 1 && r.height >= 1) << where;
                ASSERT_TRUE(r.x + r.width <= ww && r.y + r.height <= wh) << where;
                ASSERT_TRUE(r.width == ww || r.height == wh) << where;
                // Centred: the bars on either side differ by the odd pixel
                // at most, which goes right and below (y counts up).
                const int left = r.x, right = ww - r.x - r.width;
                const int below = r.y, above = wh - r.y - r.height;
                ASSERT_TRUE(right - left == 0 || right - left == 1) << where;
                ASSERT_TRUE(below - above == 0 || below - above == 1) << where;
                // The camera's shape to within a pixel of the scaled side.
                const int64_t off = int64_t(r.width) * camera.height - int64_t(r.height) * camera.width;
                ASSERT_LT(std::abs(off), std::max(camera.width, camera.height)) << where;
            }
}

TEST(PictureFitTest, CameraShapedWindowsAreUsedWhole) {
    // The camera's own size, and the fitted camera windows on smaller screens
    // (their scaled side rounded down): no bars at all.
    for (const WindowSize camera : {WindowSize{320, 240}, WindowSize{1920, 1080}, WindowSize{641, 479},
                                    WindowSize{2048, 1080}, WindowSize{640, 4000}})
        for (const WindowSize screen : {WindowSize{1280, 1024}, WindowSize{800, 600}, WindowSize{333, 211}}) {
            const WindowSize fit = FitToScreen(camera.width, camera.height, screen);
            EXPECT_EQ(FitPicture(fit.width, fit.height, camera.width, camera.height),
                      (PictureRect{0, 0, fit.width, fit.height}))
                << Sizes(fit.width, fit.height, camera.width, camera.height);
        }
    // Full screen of another shape: bars.
    EXPECT_EQ(FitPicture(1280, 1024, 320, 240), (PictureRect{0, 32, 1280, 960}));
    EXPECT_EQ(FitPicture(1920, 1080, 320, 240), (PictureRect{240, 0, 1440, 1080}));
    EXPECT_EQ(FitPicture(331, 157, 320, 240), (PictureRect{61, 0, 209, 157}));
    // Sizes not known yet: the whole window.
    EXPECT_EQ(FitPicture(640, 480, 0, 0), (PictureRect{0, 0, 640, 480}));
    EXPECT_EQ(FitPicture(0, 0, 320, 240), (PictureRect{0, 0, 0, 0}));
}

TEST(PictureFitTest, PointerPositionsMapToThePictureFromItsTopLeft) {
    ProgramStateGuard guard(ProgramStateGuard::kFresh);
    app.video_width = 320, app.video_height = 240;
    app.window_width = 1280, app.window_height = 1024;  // bars above and below
    const PictureRect r = CurrentPictureRect();
    ASSERT_EQ(r, (PictureRect{0, 32, 1280, 960}));
    const PicturePoint corner = WindowToPicture(0, 32, r, 1024);
    EXPECT_EQ(corner.x, 0);
    EXPECT_EQ(corner.y, 0);
    const PicturePoint last = WindowToPicture(1279, 991, r, 1024);
    EXPECT_EQ(last.x, 1279);
    EXPECT_EQ(last.y, 959);
    EXPECT_LT(WindowToPicture(5, 10, r, 1024).y, 0);  // in the bar above
    // Odd bars: the top-left corner, counted downwards, is the smaller bar.
    for (int wh = 200; wh < 260; ++wh) {
        const PictureRect odd = FitPicture(100, wh, 1, 1);
        const PicturePoint top_left = WindowToPicture((100 - odd.width) / 2, (wh - odd.height) / 2, odd, wh);
        EXPECT_EQ(top_left.x, 0) << wh;
        EXPECT_EQ(top_left.y, 0) << wh;
    }
}

}  // namespace
