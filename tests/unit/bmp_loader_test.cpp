// The BMP loader against files written by tools/bmp_encode.h in every layout
// it accepts, and against truncated and hostile files (run these under
// AddressSanitizer too: a read past the end must never happen).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/bmp_loader.h"
#include "support/test_support.h"
#include "tools/bmp_encode.h"

namespace {

using bmp_encode::Layout;
using bmp_encode::Picture;
using bmp_encode::Rgb;

const std::vector<Rgb> kPalette = {{0, 0, 0},     {255, 255, 255}, {255, 0, 0},   {0, 255, 0},
                                   {0, 0, 255},   {255, 255, 0},   {0, 255, 255}, {255, 0, 255},
                                   {128, 64, 32}, {32, 64, 128},   {10, 20, 30},  {200, 100, 50},
                                   {90, 90, 90},  {160, 0, 80},    {0, 160, 80},  {80, 0, 160},
                                   {1, 2, 3}};

// A 5 x 3 picture (odd width: every layout needs row padding) whose pixel
// (x, y) uses palette index (x + 2y) mod `colours`.
Picture MakePicture(int colours, int width = 5, int height = 3) {
    Picture p{width, height, {}, {}, {}};
    const int entries = std::max(colours, 2);
    for (int i = 0; i < entries; ++i)
        p.palette.push_back(i < int(kPalette.size()) ? kPalette[i] : Rgb{uint8_t(i), 7, uint8_t(255 - i)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t index = uint8_t((x + 2 * y) % colours);
            p.index.push_back(index);
            p.pixels.push_back(p.palette[index]);
        }
    return p;
}

class BmpLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("lumora-bmp"); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Save(const std::vector<uint8_t>& bytes, const std::string& name = "test.bmp") {
        const std::string path = dir_ + "/" + name;
        EXPECT_TRUE(bmp_encode::WriteFile(path, bytes));
        return path;
    }

    std::unique_ptr<RgbImage> Load(const std::vector<uint8_t>& bytes) {
        return std::unique_ptr<RgbImage>(LoadBitmapImage(Save(bytes).c_str()));
    }

    // Loads `bytes` and expects exactly `expected` (bottom row first).
    void ExpectPicture(const std::vector<uint8_t>& bytes, const Picture& expected, int tolerance = 0) {
        auto image = Load(bytes);
        ASSERT_NE(image, nullptr) << (dialogs_.boxes.empty() ? "" : dialogs_.boxes.back().text);
        ASSERT_EQ(image->width, expected.width);
        ASSERT_EQ(image->height, expected.height);
        for (int i = 0; i < expected.width * expected.height; ++i) {
            const Rgb want = expected.pixels[i];
            const uint8_t* got = image->data + i * 3;
            ASSERT_NEAR(got[0], want.r, tolerance) << "pixel " << i;
            ASSERT_NEAR(got[1], want.g, tolerance) << "pixel " << i;
            ASSERT_NEAR(got[2], want.b, tolerance) << "pixel " << i;
        }
        EXPECT_TRUE(dialogs_.boxes.empty());
    }

    void ExpectRejected(const std::vector<uint8_t>& bytes, const char* message) {
        dialogs_.boxes.clear();
        EXPECT_EQ(Load(bytes), nullptr);
        ASSERT_EQ(dialogs_.boxes.size(), 1u);
        EXPECT_EQ(dialogs_.boxes[0].text, message);
        EXPECT_EQ(dialogs_.boxes[0].caption, "Error");
        EXPECT_EQ(dialogs_.boxes[0].icon, MsgIcon::Error);
    }

    std::string dir_;
    ScriptedDialogs dialogs_;
};

void Set32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
}

TEST_F(BmpLoaderTest, EveryLayoutGivesTheSamePicture) {
    struct Case {
        const char* name;
        int colours;
        Layout layout;
        int tolerance;
    };
    const Case cases[] = {
        {"24 bits", 17, {}, 0},
        {"32 bits", 17, {.bits = 32}, 0},
        {"16 bits 5-5-5", 2, {.bits = 16}, 0},  // black and white survive 5 bits exactly
        {"16 bits 5-5-5 colours", 17, {.bits = 16}, 5},
        {"16 bits 5-6-5 fields", 17, {.bits = 16, .compression = bmp_encode::kBitFields}, 5},
        {"32 bits fields", 17,
         {.bits = 32, .compression = bmp_encode::kBitFields, .masks = {0xFF, 0xFF00, 0xFF000000}}, 0},
        {"1 bit", 2, {.bits = 1}, 0},
        {"4 bits", 16, {.bits = 4}, 0},
        {"8 bits", 17, {.bits = 8}, 0},
        {"RLE8", 17, {.bits = 8, .compression = bmp_encode::kRle8}, 0},
        {"RLE4", 16, {.bits = 4, .compression = bmp_encode::kRle4}, 0},
        {"core 24 bits", 17, {.core_header = true}, 0},
        {"core 1 bit", 2, {.bits = 1, .core_header = true}, 0},
        {"core 4 bits", 16, {.bits = 4, .core_header = true}, 0},
        {"core 8 bits", 17, {.bits = 8, .core_header = true}, 0},
        {"top-down 24 bits", 17, {.top_down = true}, 0},
        {"top-down 8 bits", 17, {.bits = 8, .top_down = true}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Picture picture = MakePicture(c.colours);
        ExpectPicture(bmp_encode::Encode(picture, c.layout), picture, c.tolerance);
        Layout bare = c.layout;
        bare.file_header = false;
        SCOPED_TRACE("without file header");
        ExpectPicture(bmp_encode::Encode(picture, bare), picture, c.tolerance);
    }
}

TEST_F(BmpLoaderTest, ColoursUsedDecidesThePaletteLength) {
    // 17 entries: index 17 and above has no colour (black); pixels follow entry 17.
    Picture picture = MakePicture(20, 7, 4);
    auto bytes = bmp_encode::Encode(picture, {.bits = 8, .file_header = false, .colours_used = 17});
    for (size_t i = 0; i < picture.pixels.size(); ++i)
        if (picture.index[i] >= 17) picture.pixels[i] = {};
    ExpectPicture(bytes, picture);

    // 0 colours used in an 8-bit file: 256 entries.
    const Picture full = MakePicture(200, 9, 2);
    ExpectPicture(bmp_encode::Encode(full, {.bits = 8, .file_header = false}), full);
}

TEST_F(BmpLoaderTest, RowsArePackedAndBottomRowFirst) {
    Picture picture = MakePicture(17, 5, 2);
    auto image = Load(bmp_encode::Encode(picture, {}));
    ASSERT_NE(image, nullptr);
    // 15 bytes per row, back to back; the first row is the bottom row.
    const uint8_t* second_row = image->data + 15;
    EXPECT_EQ(second_row[0], picture.pixels[5].r);
    EXPECT_EQ(second_row[1], picture.pixels[5].g);
    EXPECT_EQ(second_row[2], picture.pixels[5].b);
    // A top-down file loads upright with a positive height.
    auto flipped = Load(bmp_encode::Encode(picture, {.top_down = true}));
    ASSERT_NE(flipped, nullptr);
    EXPECT_EQ(flipped->height, 2);
    EXPECT_EQ(0, std::memcmp(flipped->data, image->data, 30));
}

TEST_F(BmpLoaderTest, FailuresShowTheirMessages) {
    dialogs_.boxes.clear();
    const std::string missing = dir_ + "/none.bmp";
    EXPECT_EQ(LoadBitmapImage(missing.c_str()), nullptr);
    ASSERT_EQ(dialogs_.boxes.size(), 1u);
    EXPECT_EQ(dialogs_.boxes[0].text, "Failed to open DIB file " + missing + ".\n");

    // Version 4 and 5 headers are not read.
    for (uint32_t size : {108u, 124u, 0u, 64u}) {
        auto bytes = bmp_encode::Encode(MakePicture(17), {});
        Set32(bytes, 14, size);
        ExpectRejected(bytes, "Unknown DIB file format.");
    }
    const char text[] = "Hello, this is not a picture at all.";
    ExpectRejected(std::vector<uint8_t>(text, text + sizeof text), "Unknown DIB file format.");
    ExpectRejected({}, "Unknown DIB file format.");
    ExpectRejected({'B', 'M', 0, 0}, "Unknown DIB file format.");

    // Every failed load has a box of its own: nothing silences the next one.
    dialogs_.boxes.clear();
    EXPECT_EQ(LoadBitmapImage(missing.c_str()), nullptr);
    EXPECT_EQ(LoadBitmapImage(missing.c_str()), nullptr);
    EXPECT_EQ(dialogs_.boxes.size(), 2u);
}

TEST_F(BmpLoaderTest, BackslashPathsAreOpened) {
    std::filesystem::create_directory(dir_ + "/bmp");
    Save(bmp_encode::Encode(MakePicture(17), {}), "bmp/mask1.bmp");
    const std::string path = dir_ + "\\bmp\\mask1.bmp";
    std::unique_ptr<RgbImage> image(LoadBitmapImage(path.c_str()));
    EXPECT_NE(image, nullptr);
}

TEST_F(BmpLoaderTest, TruncatedFilesAreRejected) {
    const Layout layouts[] = {{}, {.bits = 32}, {.bits = 16}, {.bits = 1}, {.bits = 4},
                              {.bits = 8, .colours_used = 17}, {.bits = 8, .core_header = true},
                              {.bits = 16, .compression = bmp_encode::kBitFields}};
    for (const Layout& layout : layouts) {
        const auto bytes = bmp_encode::Encode(MakePicture(2, 6, 4), layout);
        // The last row's padding is never read; anything shorter is refused.
        const size_t stride = (6 * layout.bits + 31) / 32 * 4, row = (6 * layout.bits + 7) / 8;
        for (size_t length = 0; length < bytes.size() - (stride - row); ++length) {
            const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
            EXPECT_EQ(Load(cut), nullptr) << "bits " << layout.bits << " length " << length;
        }
    }
    // Cut run-length data: refused or partly decoded, never read past the end.
    for (auto compression : {bmp_encode::kRle8, bmp_encode::kRle4}) {
        const auto bytes =
            bmp_encode::Encode(MakePicture(16, 9, 5), {.bits = compression == bmp_encode::kRle8 ? 8 : 4, .compression = compression});
        for (size_t length = 0; length < bytes.size(); ++length) {
            auto image = Load(std::vector<uint8_t>(bytes.begin(), bytes.begin() + length));
            if (image) {
                EXPECT_EQ(image->width * image->height, 45);
            }
        }
    }
}

TEST_F(BmpLoaderTest, HostileHeadersAreRejected) {
    const auto good = bmp_encode::Encode(MakePicture(17), {.bits = 8});
    auto with = [&](size_t at, uint32_t value) {
        auto bytes = good;
        Set32(bytes, at, value);
        return bytes;
    };
    const char* conversion = "Image file conversion error.";
    ExpectRejected(with(10, uint32_t(good.size())), conversion);      // pixel offset at the end
    ExpectRejected(with(10, 0xFFFFFFF0u), conversion);                // pixel offset far beyond
    ExpectRejected(with(10, uint32_t(good.size() - 4)), conversion);  // too little pixel data
    ExpectRejected(with(18, 0x7FFFFFFF), conversion);                 // absurd width
    ExpectRejected(with(18, 100000), conversion);
    ExpectRejected(with(22, 0x80000000u), conversion);                // absurd top-down height
    ExpectRejected(with(18, 0), conversion);                          // zero width
    ExpectRejected(with(22, 0), conversion);                          // zero height
    ExpectRejected(with(18, uint32_t(-5)), conversion);               // negative width
    ExpectRejected(with(18, 16384 + 1), conversion);
    ExpectRejected(with(46, 0xFFFF), conversion);                     // palette beyond the file
    ExpectRejected(with(30, 4), conversion);                          // JPEG compression
    auto bits = good;
    bits[28] = 7;
    ExpectRejected(bits, conversion);
    // The 12 bytes of bit-field masks missing.
    auto fields = bmp_encode::Encode(MakePicture(2, 1, 1), {.bits = 16, .compression = bmp_encode::kBitFields});
    fields.resize(14 + 40 + 4);
    ExpectRejected(fields, conversion);
    // A huge picture whose data is not in the file.
    ExpectRejected(with(18, 16000), conversion);
}

TEST_F(BmpLoaderTest, HostileRunLengthDataStaysInsideThePicture) {
    // A 4 x 2 RLE8 picture: runs past the row end, deltas past the picture,
    // an absolute run longer than the data.
    auto header = bmp_encode::Encode(MakePicture(2, 4, 2), {.bits = 8, .compression = bmp_encode::kRle8, .colours_used = 2});
    const size_t pixels_at = 14 + 40 + 8;
    header.resize(pixels_at);
    auto load = [&](std::vector<uint8_t> data) {
        auto bytes = header;
        bytes.insert(bytes.end(), data.begin(), data.end());
        Set32(bytes, 34, uint32_t(data.size()));
        return Load(bytes);
    };
    auto image = load({255, 1, 0, 2, 200, 200, 3, 1, 0, 1});
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->data[0], 255);   // the clipped run filled the first row white
    EXPECT_EQ(image->data[12], 0);    // the rest stays black
    EXPECT_NE(load({255, 1, 0, 1}), nullptr);
    EXPECT_EQ(load({0, 200, 1, 1}), nullptr);  // absolute run past the data
    EXPECT_EQ(load({0, 2, 1}), nullptr);       // delta cut short
    EXPECT_EQ(load({5}), nullptr);             // command cut short
    // A top-down run-length file cannot be stored.
    auto bytes = header;
    Set32(bytes, 22, uint32_t(-2));
    bytes.insert(bytes.end(), {0, 1});
    EXPECT_EQ(Load(bytes), nullptr);
}

// Bytes overwritten at random: refused or decoded, never read or written out
// of bounds (this one matters most under AddressSanitizer).
TEST_F(BmpLoaderTest, RandomlyDamagedFilesNeverCrash) {
    std::mt19937 random(1234);
    const Layout layouts[] = {{.bits = 8, .compression = bmp_encode::kRle8},
                              {.bits = 4, .compression = bmp_encode::kRle4},
                              {.bits = 4, .core_header = true},
                              {.bits = 16, .compression = bmp_encode::kBitFields},
                              {.bits = 24, .file_header = false}};
    int loaded = 0;
    for (const Layout& layout : layouts) {
        const auto good = bmp_encode::Encode(MakePicture(layout.bits == 24 ? 17 : 2 << (layout.bits / 8), 7, 5), layout);
        for (int round = 0; round < 300; ++round) {
            auto bytes = good;
            const int damage = 1 + int(random() % 4);
            for (int i = 0; i < damage; ++i) bytes[random() % bytes.size()] = uint8_t(random());
            auto image = Load(bytes);
            if (image) {
                ++loaded;
                EXPECT_GT(image->width, 0);
                EXPECT_GT(image->height, 0);
            }
        }
    }
    EXPECT_GT(loaded, 0);  // damage to pixel bytes alone still loads
}

// The shipped masks decode as ImageMagick reads them.
TEST_F(BmpLoaderTest, ShippedMasksMatchAnIndependentReader) {
    if (std::system("convert -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ImageMagick missing";
    for (int i = 1; i <= 9; ++i) {
        const std::string path = SourceDir() + "/data/bmp/mask" + std::to_string(i) + ".bmp";
        SCOPED_TRACE(path);
        std::unique_ptr<RgbImage> image(LoadBitmapImage(path.c_str()));
        ASSERT_NE(image, nullptr);
        // ImageMagick gives rows top first.
        FILE* pipe = popen(("convert '" + path + "' -depth 8 rgb:-").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<uint8_t> reference(size_t(image->width) * image->height * 3 + 1);
        const size_t got = fread(reference.data(), 1, reference.size(), pipe);
        pclose(pipe);
        ASSERT_EQ(got, reference.size() - 1);
        const size_t row = size_t(image->width) * 3;
        int worst = 0;
        for (int y = 0; y < image->height; ++y)
            for (size_t x = 0; x < row; ++x)
                worst = std::max(worst, std::abs(image->data[y * row + x] -
                                                 reference[(image->height - 1 - y) * row + x]));
        EXPECT_LE(worst, 4);  // 16-bit masks: ImageMagick scales 5 and 6 bits its own way
    }
}

}  // namespace
