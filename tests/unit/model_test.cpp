// The model's rules without GL: the walking rules, the draw clock and what a
// failed load of the default model tells the user.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/model.h"

namespace {

TEST(ModelRulesTest, WalkingRules) {
    int32_t walking = 0;
    EXPECT_EQ(ChooseDrawSequence(0, true, false, &walking), -1);
    EXPECT_EQ(ChooseDrawSequence(102, false, false, &walking), -1);  // unlit: no choice
    EXPECT_EQ(ChooseDrawSequence(102, true, true, &walking), -1);    // position mode
    EXPECT_EQ(ChooseDrawSequence(100, true, false, &walking), kWalkSequence);
    EXPECT_EQ(walking, 1);
    EXPECT_EQ(ChooseDrawSequence(101, true, false, &walking), -1);  // already walking
    EXPECT_EQ(ChooseDrawSequence(108, true, false, &walking), -1);
    EXPECT_EQ(ChooseDrawSequence(0, false, false, &walking), -1);
    EXPECT_EQ(ChooseDrawSequence(0, true, false, &walking), kIdleSequence);
    EXPECT_EQ(walking, 0);
    EXPECT_EQ(ChooseDrawSequence(108, true, false, &walking), kActionSequence);
    EXPECT_EQ(ChooseDrawSequence(106, true, false, &walking), -1);  // Home: not a walking key
    EXPECT_EQ(walking, 1);
}

TEST(ModelRulesTest, DrawClockSurvivesTheTickCounterWrapAndNeverRunsBack) {
    EXPECT_FLOAT_EQ(DrawElapsedSeconds(1250, 1000), 0.25f);
    EXPECT_FLOAT_EQ(DrawElapsedSeconds(40, 0xFFFFFFF6u), 0.05f);  // 10 ms before the wrap, 40 after
    EXPECT_EQ(DrawElapsedSeconds(1000, 1250), 0.0f);
    EXPECT_EQ(DrawElapsedSeconds(7, 7), 0.0f);
}

// A repeated set-up with the same broken file tells it once; another failure
// is told again.  Without a model the box says how to go on.
TEST(ModelRulesTest, AFailedLoadIsToldOnceAndTheBoxFitsTheSituation) {
    const std::string kept = model_state.load_failure;
    model_state.load_failure[0] = '\0';
    EXPECT_TRUE(NoteModelLoadFailure("Unable to open mdl/velisse.mdl"));
    EXPECT_STREQ(model_state.load_failure, "Unable to open mdl/velisse.mdl");
    EXPECT_FALSE(NoteModelLoadFailure("Unable to open mdl/velisse.mdl"));
    EXPECT_TRUE(NoteModelLoadFailure("mdl/velisse.mdl: the model has no sequences"));
    // Longer than the notice holds: kept cut short, so told every time.
    const std::string long_error(kModelFailureLength + 20, 'x');
    EXPECT_TRUE(NoteModelLoadFailure(long_error));
    EXPECT_TRUE(NoteModelLoadFailure(long_error));
    EXPECT_EQ(std::string(model_state.load_failure), long_error.substr(0, kModelFailureLength - 1));

    EXPECT_EQ(ModelFailureBoxText("Unable to open a.mdl", true), "Unable to open a.mdl");
    EXPECT_EQ(ModelFailureBoxText("Unable to open a.mdl", false),
              "Unable to open a.mdl\nLumora runs without a model; choose one under Cg Shader > Models.");
    std::snprintf(model_state.load_failure, sizeof model_state.load_failure, "%s", kept.c_str());
}

}  // namespace
