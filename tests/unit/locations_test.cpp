// Where the data is found and where files go, over a made-up file system.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/locations.h"
#include "render/shader.h"

namespace {

std::set<std::string> g_files;
bool Exists(const std::string& path) { return g_files.count(path) > 0; }

// A complete data folder at `folder`.
void PutData(const std::string& folder) {
    g_files.insert(folder + "/cg/pixel");
    for (const auto& file : kVertexProgramFiles) g_files.insert(folder + "/" + file);
    for (const auto& file : kPixelProgramFiles) g_files.insert(folder + "/" + file);
    for (int i = 1; i <= 9; ++i) g_files.insert(folder + "/bmp/mask" + std::to_string(i) + ".bmp");
    g_files.insert(folder + "/mdl/velisse.mdl");
    g_files.insert(folder + "/wav/3.wav");
}

LocationFacts Facts() {
    LocationFacts facts;
    facts.working_folder = "/home/ann/work";
    facts.executable_folder = "/opt/lumora/bin";
    facts.pictures_folder = "/home/ann/Bilder";
    facts.videos_folder = "/home/ann/Videos";
    facts.config_folder = "/home/ann/.config";
    facts.exists = Exists;
    return facts;
}

TEST(LocationsTest, TheFirstFolderHoldingTheDataWins) {
    const std::string working = "/home/ann/work", build = "/opt/lumora/bin/data",
                      installed = "/opt/lumora/bin/../share/lumora";
    // Every subset of the three places: the first in search order is taken.
    for (int present = 1; present < 8; ++present) {
        g_files.clear();
        if (present & 1) PutData(working);
        if (present & 2) PutData(build);
        if (present & 4) PutData(installed);
        const LocationPlan plan = PlanLocations(Facts());
        ASSERT_TRUE(plan.runnable) << plan.problem;
        const std::string expected = (present & 1) ? working : (present & 2) ? build : installed;
        EXPECT_EQ(plan.state.data_folder, expected);
        EXPECT_EQ(plan.state.development, (present & 1) != 0);
        EXPECT_TRUE(plan.lacking.empty());
    }
}

TEST(LocationsTest, OutputFoldersAndTheUsersCameraFiles) {
    g_files.clear();
    PutData("/home/ann/work");
    const std::string own = "/home/ann/.config/Korvane/dsvl/device2.xml";
    g_files.insert(own);
    const LocationPlan development = PlanLocations(Facts());
    EXPECT_EQ(development.state.shots_folder, "capture\\screenshot\\");
    EXPECT_EQ(development.state.recordings_folder, "capture/record/");
    EXPECT_STREQ(development.state.device_files[1], "dsvl/device2.xml");  // the developer's own

    LocationFacts elsewhere = Facts();
    elsewhere.working_folder = "/";
    elsewhere.data_override = "/home/ann/work";
    const LocationPlan installed = PlanLocations(elsewhere);
    ASSERT_TRUE(installed.runnable);
    EXPECT_FALSE(installed.state.development);
    EXPECT_EQ(installed.state.shots_folder, "/home/ann/Bilder/Lumora/");
    EXPECT_EQ(installed.state.recordings_folder, "/home/ann/Videos/Lumora/");
    EXPECT_STREQ(installed.state.device_files[0], "dsvl/device1.xml");
    EXPECT_STREQ(installed.state.device_files[1], own.c_str());
}

TEST(LocationsTest, MissingDataIsNamed) {
    g_files.clear();
    LocationPlan plan = PlanLocations(Facts());
    EXPECT_FALSE(plan.runnable);
    for (const char* place : {"\n  /home/ann/work\n", "\n  /opt/lumora/bin/data\n",
                              "\n  /opt/lumora/bin/../share/lumora\n"})
        EXPECT_NE(plan.problem.find(place), std::string::npos) << plan.problem;

    // Effect programs are needed; a mask, the model, the alarm only lacking.
    PutData("/home/ann/work");
    g_files.erase("/home/ann/work/cg/pixel/chromakey.cg");
    g_files.erase("/home/ann/work/bmp/mask3.bmp");
    g_files.erase("/home/ann/work/wav/3.wav");
    plan = PlanLocations(Facts());
    EXPECT_FALSE(plan.runnable);
    EXPECT_EQ(plan.problem, "Lumora's data folder /home/ann/work is incomplete. Missing:\n  cg/pixel/chromakey.cg");
    g_files.insert("/home/ann/work/cg/pixel/chromakey.cg");
    plan = PlanLocations(Facts());
    EXPECT_TRUE(plan.runnable);
    EXPECT_EQ(plan.lacking, (std::vector<std::string>{"bmp/mask3.bmp", "wav/3.wav"}));
}

}  // namespace
