// The command line: what is answered, what is left to GLUT, what is refused.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "app/options.h"

namespace {

Options Parse(std::initializer_list<const char*> arguments) {
    std::vector<const char*> argv = {"lumora"};
    argv.insert(argv.end(), arguments);
    return ParseOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(OptionsTest, AnswersRunsOrRefuses) {
    EXPECT_EQ(Parse({}).action, OptionsAction::kRun);
    EXPECT_EQ(Parse({"-display", ":1", "-geometry", "640x480+0+0", "-iconic"}).action,
              OptionsAction::kRun);
    EXPECT_EQ(Parse({"--version"}).action, OptionsAction::kVersion);
    EXPECT_EQ(Parse({"--version", "--help"}).action, OptionsAction::kHelp);  // help wins
    EXPECT_EQ(Parse({"--help", "--version"}).action, OptionsAction::kHelp);

    // A value is never taken for an option, nor an option for a value.
    EXPECT_EQ(Parse({"-display", "--help"}).action, OptionsAction::kRun);
    const Options missing = Parse({"-geometry"});
    EXPECT_EQ(missing.action, OptionsAction::kRefuse);
    EXPECT_EQ(missing.error, "-geometry needs a value");

    for (const char* refused : {"--bogus", "-x", "--", "clip.avi", "-"}) {
        const Options options = Parse({"--help", refused});
        EXPECT_EQ(options.action, OptionsAction::kRefuse) << refused;
        EXPECT_NE(options.error.find(refused), std::string::npos) << options.error;
    }
}

}  // namespace
