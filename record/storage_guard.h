// Storage guard: keeps the folders of shots and recordings under the user's
// size limit and the recordings' disk above a free-space floor, so that a
// recording never fills the disk.
//
// Before a recording starts, and once a second while it runs, the guard
// makes room for what the recording is about to write: the oldest files
// that Lumora named itself ("DD_MM_YYYY_hh_mm_ss....bmp|avi|mp4", in the two
// folders, nothing below them) are deleted first, never the file being
// written and never anything else.  Each deletion is one line on standard
// error and in the console.  When no deletion can make the room, the
// recording does not start (or stops) with the reason.
//
// The limit (settings storage_limit_mib, 0: none) counts the Lumora files
// of both folders.  The floor (storage_free_mib, 0: 1 GiB, or 5 % of the
// disk when that is less) counts the disk the recordings folder is on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint64_t kMiB = 1024 * 1024;
// Room a running recording keeps ahead: this many seconds of its own rate.
constexpr uint32_t kGuardAheadSeconds = 3;
constexpr uint64_t kGuardLeastAhead = 1 * kMiB;

// A name Lumora gave a shot or a recording (any "_N" it added included).
bool IsLumoraFileName(const std::string& name);

// The free space to keep on a disk of `disk_total` bytes.
uint64_t FreeSpaceFloor(uint64_t disk_total, uint32_t free_mib_setting);

struct GuardedFile {
    std::string path;
    uint64_t bytes = 0;
    int64_t modified = 0;
    bool on_recording_disk = true;  // deleting it frees space where recordings go
};

struct StorageRoom {
    uint64_t limit_bytes = 0;      // 0: no limit
    uint64_t floor_bytes = 0;
    uint64_t available_bytes = 0;  // free on the recordings' disk
    uint64_t need_bytes = 0;       // what is about to be written
};

enum class RoomReason { kLimit, kFloor };
struct Removal {
    size_t file;  // index into the files
    RoomReason reason;
};
struct StoragePlan {
    std::vector<Removal> removals;  // oldest first
    bool fits = true;               // false: even all of them would not do
};

// Which of `files` to delete, oldest first, so that `room.need_bytes` more
// fit under the limit and above the floor.  `writing` is never deleted.
StoragePlan PlanStorage(const std::vector<GuardedFile>& files, const std::string& writing,
                        const StorageRoom& room);

// Owned by storage_guard.cpp; reset when a recording starts.
struct StorageGuardState {
    uint32_t last_check_ms = 0;
    uint64_t last_bytes = 0;         // the recording's size at the last check
    uint64_t bytes_per_second = 0;   // its growth since
};

// Makes room for `need_bytes` in the recordings folder before a recording
// of `writing` ("" before its name is known) starts.  False with the reason
// when it cannot.
bool MakeRoomForRecording(uint64_t need_bytes, const std::string& writing, std::string* reason);
// Called every frame while a recording of `writing` runs; checks once a
// second.  False with the reason when the recording must stop.
bool GuardRunningRecording(uint32_t now_ms, const std::string& writing, std::string* reason);
void ResetStorageGuard(uint32_t now_ms);

// The menu's choices, in MiB: the limit (0: none) and the free space to
// keep (0: the default).  A limit beyond what the disk holds is allowed and
// said: the floor still guards the disk.
void SetStorageLimit(int32_t mib);
void SetStorageFloor(int32_t mib);
