// The whole-file reader every loader shares: exact bytes, and failures that
// keep the wording the device description shows the user.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/test_support.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    ASSERT_EQ(std::fclose(file), 0);
}

TEST(FilesTest, ReadsEveryByteOrSaysWhyNot) {
    const std::string dir = MakeTempDir("lumora-files");
    // Zero bytes and bytes above 127 come back as they are; what the vector
    // held before is replaced.
    std::vector<uint8_t> written(70000);
    for (size_t i = 0; i < written.size(); ++i) written[i] = uint8_t(i * 7);
    Write(dir + "/data.bin", written);
    std::vector<uint8_t> bytes = {1, 2, 3};
    ASSERT_TRUE(ReadWholeFile((dir + "/data.bin").c_str(), &bytes));
    EXPECT_EQ(bytes, written);
    Write(dir + "/empty.bin", {});
    ASSERT_TRUE(ReadWholeFile((dir + "/empty.bin").c_str(), &bytes));
    EXPECT_TRUE(bytes.empty());

    // A missing file and a folder cannot be opened as files; the text names
    // the file as it was passed.
    const std::string missing = dir + "/none.xml";
    FileReadError error;
    EXPECT_FALSE(ReadWholeFile(missing.c_str(), &bytes, &error));
    EXPECT_EQ(error.failure, FileReadFailure::kOpen);
    EXPECT_EQ(error.text, "Failed to open file \u201c" + missing + "\u201d: No such file or directory");
    error = FileReadError{};
    EXPECT_FALSE(ReadWholeFile(dir.c_str(), &bytes, &error));
    EXPECT_EQ(error.failure, FileReadFailure::kOpen);
    EXPECT_NE(error.text.find(dir), std::string::npos) << error.text;
}

}  // namespace
