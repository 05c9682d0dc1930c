// What every dialog backend shares: the answers of boxes nobody sees, the
// chosen path that must fit, and the time spent in dialogs.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock.h"
#include "platform/dialogs.h"

namespace {

int SlowBox(const char*, const char*, MsgIcon, MsgButtons) {
    Sleep(30);
    return kMsgYes;
}
bool NoFile(const char*, const FileFilter&, char*, size_t) { return false; }
const DialogBackend kSlowBackend = {SlowBox, NoFile};

TEST(DialogsTest, FallbackAnswersPathsAndDialogTime) {
    // Without a backend a question is answered No, anything else OK.
    const DialogBackend* previous = SetDialogBackend(nullptr);
    EXPECT_EQ(ShowMessageBox("Delete?", "Question", MsgIcon::Question, MsgButtons::YesNo), kMsgNo);
    EXPECT_EQ(ShowMessageBox("Done.", "Info", MsgIcon::Information), kMsgOk);
    EXPECT_FALSE(ShowOpenFileDialog("Open", {"Wav Files (.wav)", "*.wav"}, nullptr, 0));
    EXPECT_EQ(AnswerOf(MsgButtons::YesNo, true), kMsgYes);
    EXPECT_EQ(AnswerOf(MsgButtons::YesNo, false), kMsgNo);
    EXPECT_EQ(AnswerOf(MsgButtons::Ok, false), kMsgOk);

    // Time in a dialog is counted, whatever the backend answers.
    SetDialogBackend(&kSlowBackend);
    const uint64_t before = DialogMilliseconds();
    EXPECT_EQ(ShowMessageBox("Wait", "Info", MsgIcon::Information), kMsgYes);
    EXPECT_GE(DialogMilliseconds() - before, 29u);
    SetDialogBackend(previous);

    // A chosen path is taken only whole: one byte stays for the terminator.
    char path[8] = "old";
    EXPECT_FALSE(TakeChosenPath("Open", "/a/b.wav", path, sizeof path));
    EXPECT_STREQ(path, "old");
    EXPECT_TRUE(TakeChosenPath("Open", "/a/b.wa", path, sizeof path));
    EXPECT_STREQ(path, "/a/b.wa");
    EXPECT_EQ(CaseBlindPattern("*.wav"), "*.[wW][aA][vV]");
}

}  // namespace
