// The console buffer, input line, help paging and keyboard handler.
#include <cstring>
#include <string>
#include <vector>

#include "input/input.h"
#include "support/fake_app.h"
#include "unit/console_support.h"

namespace {

using ConsoleTest = ConsoleTestBase;

const std::string kPrompt = "press return to continue!";

// The help pages as the user reads them, top down.
const std::vector<std::string> kHelpPages[2] = {
    {"--------------------------------", "about -> print the about information",
     "pcd -> print the percent difference", "fps -> print the frames per second",
     "time -> print the current time", "date -> print the current date",
     "motionalarmfile -> print the motion alarm file path", "modelfile -> print the model file path",
     "vertexfile -> print the vertex shader file path", "pixelfile -> print the pixel shader file path",
     "bmpfile -> print the bmp file path", "windowwidth -> print the window width",
     "windowheight -> print the window height", "cls ->  clear the complete contents",
     "help ->  print the commands", "exit ->  exit the program", "minimize ->  minimize the window",
     "swtexturemode -> switch texture mode...", "...between GL_LINEAR and GL_NEAREST",
     "swpolygonmode -> switch polygon mode...", "...between GL_FILL and GL_LINE",
     "swscreenmode -> switch screen mode...", "...between fullscreen and window mode",
     "screenshot -> take a screenshot", "--------------------------------"},
    {"--------------------------------", "motionshot -> turn motion shot ON/OFF",
     "motionalarm -> turn motion alarm ON/OFF", "motionrecord -> turn motion record ON/OFF",
     "viewmode_normal -> set view mode to normal", "viewmode_shader -> set view mode to shader",
     "viewmode_splitscreen -> set view mode to spitscreen",
     "viewmode_imgswap -> set view mode to image swap", "recordmode_off -> turn off record mode",
     "recordmode_normal -> set record mode to normal", "recordmode_effect -> set record mode to effect",
     "recordmode_screen -> set record mode to screen",
     "motiondetector -> switch the motion detector...", "...between classic and robust",
     "motiontint -> turn the motion tint ON/OFF", "motionmaskfile -> print the motion mask file path",
     "web -> turn the web view ON/OFF",
     "right mouse button -> the menu; F12 -> screenshot; Space -> screen mode; Esc -> exit",
     "--------------------------------"},
};

// Line 0 is drawn lowest; empty lines fill the page above a short one.
void ExpectHelpPage(int page) {
    const std::vector<std::string>& lines = kHelpPages[page - 1];
    const int count = static_cast<int>(lines.size());
    for (int k = 0; k < kConsoleLines; ++k)
        EXPECT_EQ(console.lines[k], k < count ? "help: " + lines[count - 1 - k] : "") << "line " << k;
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
    console.blink_state = false;
    Type("abc");
    Key(8);
    Key(9);
    EXPECT_EQ(Input(), kPrompt);
    EXPECT_EQ(console.console_input_length, 0);
    EXPECT_FALSE(console.blink_state);
    EXPECT_TRUE(FakeCalls().empty());
}

TEST_F(ConsoleTest, ReturnShowsPageTwoAndEndsPaging) {
    ConsoleStartup();
    Key(13);
    EXPECT_FALSE(console.help_paging);
    EXPECT_EQ(console.help_page, 1);
    EXPECT_EQ(Input(), "");
    ExpectHelpPage(2);
    EXPECT_EQ(Line(0), "help: --------------------------------");
    EXPECT_EQ(Line(1), "help: right mouse button -> the menu; F12 -> screenshot; Space -> screen "
                       "mode; Esc -> exit");
    EXPECT_EQ(Line(2), "help: web -> turn the web view ON/OFF");
    EXPECT_EQ(Line(3), "help: motionmaskfile -> print the motion mask file path");
    EXPECT_EQ(Line(7), "help: recordmode_screen -> set record mode to screen");
    EXPECT_EQ(Line(12), "help: viewmode_splitscreen -> set view mode to spitscreen");
    EXPECT_EQ(Line(18), "help: --------------------------------");
    for (int k = 19; k < kConsoleLines; ++k) EXPECT_EQ(Line(k), "") << "line " << k;
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
    console.blink_state = false;
    Key('b');  // the 51st is dropped
    EXPECT_FALSE(console.blink_state);
    EXPECT_EQ(console.console_input_length, 50);
    EXPECT_EQ(Input(), std::string(50, 'a'));
    Key(8);  // removes the 50th
    EXPECT_TRUE(console.blink_state);
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
    console.blink_state = false;
    Key('x');
    EXPECT_TRUE(console.blink_state);
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
    EXPECT_THROW(OnKey(27, 0, 0), ExitRequested);
    Key(13);
    Type("ab");
    EXPECT_THROW(OnKey(27, 0, 0), ExitRequested);
    EXPECT_EQ(Input(), "ab");
    EXPECT_EQ(Line(0), "help: --------------------------------");
}

TEST_F(ConsoleTest, SpaceSwitchesTheScreenAndKeepsTheText) {
    app.video_width = 640;
    app.video_height = 480;
    StartEditing();
    Type("scr");
    OnKey(' ', 0, 0);
    EXPECT_TRUE(app.full_screen);
    EXPECT_EQ(Input(), "scr");
    EXPECT_EQ(Line(0), "");
    OnKey(' ', 0, 0);
    EXPECT_FALSE(app.full_screen);
    EXPECT_EQ(FakeCalls(), (std::vector<std::string>{"WindowFullScreen", "WindowReshape 640x480",
                                                       "WindowPosition 120,25"}));
    // Also while the help is paged.
    Type("\b\b\b");
    Run("help");
    OnKey(' ', 0, 0);
    EXPECT_TRUE(app.full_screen);
    EXPECT_EQ(Input(), kPrompt);
}

}  // namespace
