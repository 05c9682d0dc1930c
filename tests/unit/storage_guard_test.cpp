// What the storage guard deletes: only Lumora's own names, oldest first, never
// the file being written, and only as much as the limit and the floor need.
#include <gtest/gtest.h>

#include <random>

#include "record/storage_guard.h"

namespace {

TEST(StorageGuardTest, OnlyLumorasOwnNamesAreCandidates) {
    for (const char* name : {"09_12_2026_19_02_46.bmp", "09_12_2026_19_02_46_2.bmp",
                             "09_12_2026_19_02_46_record_dev1.avi", "01_01_2027_00_00_00_motion_rec_dev1_12.avi",
                             "09_12_2026_19_02_46_effect_rec_screen.avi", "09_12_2026_19_02_46_screen_rec_screen.avi",
                             "09_12_2026_19_02_46_motion_rec_dev1.mp4", "09_12_2026_19_02_46_record_dev1_3.mp4"})
        EXPECT_TRUE(IsLumoraFileName(name)) << name;
    for (const char* name : {"holiday.avi", "09_12_2026_19_02_46.avi", "09_12_2026_19_02_46_record_dev1.bmp",
                             "x09_12_2026_19_02_46.bmp", "09_12_2026_19_02_46.bmp.part", "9_12_2026_19_02_46.bmp",
                             "09_12_2026_19_02_46_record_dev1.avi~", "09_12_2026_19_02_46.mp4",
                             "09_12_2026_19_02_46_record_dev1.mp4.part", ""})
        EXPECT_FALSE(IsLumoraFileName(name)) << name;
    EXPECT_EQ(FreeSpaceFloor(100 * kMiB, 0), 5 * kMiB);          // 5 % of a small disk
    EXPECT_EQ(FreeSpaceFloor(1000000 * kMiB, 0), 1024 * kMiB);   // 1 GiB of a large one
    EXPECT_EQ(FreeSpaceFloor(100 * kMiB, 7), 7 * kMiB);
}

// Random folders and rooms: the plan deletes a prefix of the deletable files
// by age (skipping, for the floor, files on another disk), never the one
// being written, and leaves the limit and the floor kept whenever it says
// the recording fits.
TEST(StorageGuardTest, PlansDeleteTheOldestAndNoMoreThanNeeded) {
    std::mt19937 random(14);
    for (int round = 0; round < 2000; ++round) {
        std::vector<GuardedFile> files(random() % 8);
        for (size_t i = 0; i < files.size(); ++i)
            files[i] = {"f" + std::to_string(i), random() % 50, int64_t(random() % 20), random() % 4 != 0};
        const std::string writing = files.empty() || random() % 2 ? "" : files[random() % files.size()].path;
        StorageRoom room;
        room.limit_bytes = random() % 3 ? 0 : random() % 300;
        room.floor_bytes = random() % 40;
        room.available_bytes = random() % 100;
        room.need_bytes = random() % 30;

        const StoragePlan plan = PlanStorage(files, writing, room);
        uint64_t total = 0, available = room.available_bytes;
        for (const GuardedFile& file : files) total += file.bytes;
        int64_t newest_removed = INT64_MIN;
        for (const Removal& removal : plan.removals) {
            const GuardedFile& file = files[removal.file];
            ASSERT_NE(file.path, writing);
            EXPECT_GE(file.modified, newest_removed) << "not the oldest first";
            newest_removed = file.modified;
            if (removal.reason == RoomReason::kFloor) {
                EXPECT_TRUE(file.on_recording_disk);
            }
            total -= file.bytes;
            if (file.on_recording_disk) available += file.bytes;
        }
        const bool limit_kept = room.limit_bytes == 0 || total + room.need_bytes <= room.limit_bytes;
        const bool floor_kept = available >= room.floor_bytes + room.need_bytes;
        if (plan.fits) {
            EXPECT_TRUE(limit_kept && floor_kept) << "round " << round;
            // One file fewer would not have done.
            if (!plan.removals.empty()) {
                const GuardedFile& last = files[plan.removals.back().file];
                const bool limit_without = room.limit_bytes == 0 || total + last.bytes + room.need_bytes <= room.limit_bytes;
                const uint64_t available_without = available - (last.on_recording_disk ? last.bytes : 0);
                EXPECT_FALSE(limit_without && available_without >= room.floor_bytes + room.need_bytes)
                    << "round " << round << ": deleted more than needed";
            }
        } else {
            EXPECT_FALSE(limit_kept && floor_kept);
        }
    }
}

}  // namespace
