// The console buffer, input line, help paging and keyboard handler.
#include <cstring>

#include "support/fake_app.h"
#include "unit/console_support.h"

namespace {

using ConsoleTest = ConsoleTestBase;

const std::string kPrompt = "press return to continue!";

void ExpectHelpPage(int page) {
    for (int k = 0; k < kConsoleLines; ++k)
        EXPECT_STREQ(console.lines[k], kHelpLines[(page - 1) * 25 + k]) << "line " << k;
}

TEST_F(ConsoleTest, StartupShowsPageOneAndThePrompt) {
    ConsoleStartup();
    EXPECT_EQ(console.help_page_count, 2);
    EXPECT_EQ(console.help_page, 1);
    EXPECT_TRUE(console.help_paging);
    EXPECT_EQ(console.console_input_length, 0);
    EXPECT_EQ(Input(), kPrompt);
    ExpectHelpPage(1);
    EXPECT_EQ(Line(0), "help: --------------------------------");
    EXPECT_EQ(Line(1), "help: screenshot -> take a screenshot");
    EXPECT_EQ(Line(23), "help: about -> print the about information");
    EXPECT_EQ(Line(24), "help: --------------------------------");
}

TEST_F(ConsoleTest, TypingAndBackspaceDuringPagingChangeNothing) {
    ConsoleStartup();
    app.blink_state = false;
    Type("abc");
    Key(8);
    Key(9);
    EXPECT_EQ(Input(), kPrompt);
    EXPECT_EQ(console.console_input_length, 0);
    EXPECT_FALSE(app.blink_state);
    EXPECT_TRUE(FakeCalls().empty());
}

TEST_F(ConsoleTest, ReturnShowsPageTwoAndEndsPaging) {
    ConsoleStartup();
    Key(13);
    EXPECT_FALSE(console.help_paging);
    EXPECT_EQ(console.help_page, 1);
    EXPECT_EQ(Input(), "");
    for (int k = 0; k < 13; ++k) EXPECT_STREQ(console.lines[k], kHelpLines[25 + k]);
    EXPECT_EQ(Line(0), "help: --------------------------------");
    EXPECT_EQ(Line(1), "help: recordmode_screen -> set record mode to screen");
    EXPECT_EQ(Line(6), "help: viewmode_splitscreen -> set view mode to spitscreen");
    EXPECT_EQ(Line(12), "help: --------------------------------");
    for (int k = 13; k < kConsoleLines; ++k) EXPECT_EQ(Line(k), "") << "line " << k;
    // Editing now: typed text lands in the input line.
    Type("ab");
    EXPECT_EQ(Input(), "ab");
}

TEST_F(ConsoleTest, HelpCommandStartsAgainAtPageOne) {
    StartEditing();
    for (int round = 0; round < 2; ++round) {
        Run("help");
        ExpectHelpPage(1);
        EXPECT_TRUE(console.help_paging);
        EXPECT_EQ(Input(), kPrompt);
        EXPECT_EQ(console.console_input_length, 0);
        Type("x");
        EXPECT_EQ(Input(), kPrompt);
        Key(13);
        ExpectHelpPage(2);
        EXPECT_FALSE(console.help_paging);
        EXPECT_EQ(Input(), "");
    }
}

TEST_F(ConsoleTest, InputLineHoldsFiftyCharacters) {
    StartEditing();
    Type(std::string(50, 'a'));
    app.blink_state = false;
    Key('b');  // the 51st is dropped
    EXPECT_FALSE(app.blink_state);
    EXPECT_EQ(console.console_input_length, 50);
    EXPECT_EQ(Input(), std::string(50, 'a'));
    Key(8);  // removes the 50th
    EXPECT_TRUE(app.blink_state);
    EXPECT_EQ(console.console_input_length, 49);
    EXPECT_EQ(Input(), std::string(49, 'a'));
    Key('c');
    EXPECT_EQ(Input(), std::string(49, 'a') + "c");
}

TEST_F(ConsoleTest, BackspaceEditsAndStopsAtEmpty) {
    StartEditing();
    Type("pcx");
    Key(8);
    EXPECT_EQ(Input(), "pc");
    Type("d");
    EXPECT_EQ(Input(), "pcd");
    for (int i = 0; i < 5; ++i) Key(8);
    EXPECT_EQ(Input(), "");
    EXPECT_EQ(console.console_input_length, 0);
}

TEST_F(ConsoleTest, TypingSetsTheCursorOn) {
    StartEditing();
    app.blink_state = false;
    Key('x');
    EXPECT_TRUE(app.blink_state);
}

TEST_F(ConsoleTest, UnknownWordsAreNotCommands) {
    StartEditing();
    for (const std::string word : {"Help", "hel", "help\t", "cls\x7f", "helpx"}) {
        Run(word);
        EXPECT_EQ(Line(0), word + ": command not found!");
        EXPECT_FALSE(console.help_paging);
        EXPECT_EQ(Input(), "");
        EXPECT_EQ(console.console_input_length, 0);
    }
    EXPECT_EQ(Line(2), "help\t: command not found!");
}

TEST_F(ConsoleTest, ControlAndHighBytesAreTyped) {
    StartEditing();
    Type("\x01\x7f\xc8");
    EXPECT_EQ(console.console_input_length, 3);
    EXPECT_EQ(Input(), "\x01\x7f\xc8");
}

TEST_F(ConsoleTest, EmptyReturnPushesABlankLine) {
    StartEditing();
    Run("nothing");
    Key(13);
    EXPECT_EQ(Line(0), "");
    EXPECT_EQ(Line(1), "nothing: command not found!");
    EXPECT_TRUE(FakeCalls().empty());
}

TEST_F(ConsoleTest, BufferKeepsTheNewestTwentyFiveLines) {
    StartEditing();
    for (int i = 0; i < 30; ++i) Run(std::string("w").append(std::to_string(i)));
    for (int k = 0; k < kConsoleLines; ++k)
        EXPECT_EQ(Line(k), std::string("w").append(std::to_string(29 - k)).append(": command not found!"));
}

TEST_F(ConsoleTest, TypedFormatDirectivesArePrintedAsText) {
    StartEditing();
    Run("%s%n%x%%");
    EXPECT_EQ(Line(0), "%s%n%x%%: command not found!");
}

TEST_F(ConsoleTest, PrintCutsLongTextToTheLine) {
    std::memset(console.lines[1], 'z', sizeof console.lines[1] - 1);
    const std::string long_text(300, 'q');
    ConsolePrint(long_text.c_str());
    EXPECT_EQ(Line(0), std::string(99, 'q'));
    EXPECT_EQ(Line(2), std::string(99, 'z'));  // the old line 1, moved up intact
}

TEST_F(ConsoleTest, EscapeEndsTheProgramInEitherState) {
    ConsoleStartup();
    EXPECT_THROW(Key(27), ExitRequested);
    Key(13);
    Type("ab");
    EXPECT_THROW(Key(27), ExitRequested);
    EXPECT_EQ(Input(), "ab");
    EXPECT_EQ(Line(0), "help: --------------------------------");
}

TEST_F(ConsoleTest, SpaceSwitchesTheScreenAndKeepsTheText) {
    app.video_width = 640;
    app.video_height = 480;
    StartEditing();
    Type("scr");
    Key(' ');
    EXPECT_TRUE(app.full_screen);
    EXPECT_EQ(Input(), "scr");
    EXPECT_EQ(Line(0), "");
    Key(' ');
    EXPECT_FALSE(app.full_screen);
    EXPECT_EQ(FakeCalls(), (std::vector<std::string>{"WindowFullScreen", "WindowReshape 640x480",
                                                       "WindowPosition 120,25"}));
    // Also while the help is paged.
    Type("\b\b\b");
    Run("help");
    Key(' ');
    EXPECT_TRUE(app.full_screen);
    EXPECT_EQ(Input(), kPrompt);
}

}  // namespace
