#include "record/storage_guard.h"

#include <algorithm>
#include <cstdio>
#include <regex>

#include "app/app.h"
#include "app/locations.h"
#include "console/console.h"
#include "platform/disk.h"
#include "platform/paths.h"

namespace {

constexpr uint64_t kDefaultFloor = 1024 * kMiB;
constexpr uint64_t kDefaultFloorPercent = 5;
constexpr uint32_t kCheckIntervalMs = 1000;

StorageGuardState storage_guard;

// A folder of shots or recordings as the file system names it, no trailing '/'.
std::string GuardedFolder(OutputKind kind) {
    std::string folder = NativePath(OutputFolder(kind).c_str());
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// Lumora's files in the shot and recording folders (each folder once).
std::vector<GuardedFile> GatherFiles(uint64_t recording_disk) {
    std::vector<GuardedFile> files;
    const std::string folders[] = {GuardedFolder(OutputKind::kRecordings), GuardedFolder(OutputKind::kShots)};
    for (size_t i = 0; i < std::size(folders); ++i) {
        if (i > 0 && folders[i] == folders[0]) continue;
        std::vector<FolderFile> listed;
        ListFolderFiles(folders[i], &listed);
        for (const FolderFile& file : listed)
            if (IsLumoraFileName(file.name))
                files.push_back({folders[i] + "/" + file.name, file.bytes, file.modified,
                                 file.disk == recording_disk});
    }
    return files;
}

uint64_t Mib(uint64_t bytes) { return (bytes + kMiB / 2) / kMiB; }

void TellRemoval(const GuardedFile& file, RoomReason reason, const StorageRoom& room) {
    char line[kPathLength + 160];
    if (reason == RoomReason::kLimit)
        std::snprintf(line, sizeof line, "storage: deleted %s (%llu MiB), the oldest, to stay under %llu MiB",
                      file.path.c_str(), static_cast<unsigned long long>(Mib(file.bytes)),
                      static_cast<unsigned long long>(Mib(room.limit_bytes)));
    else
        std::snprintf(line, sizeof line, "storage: deleted %s (%llu MiB), the oldest, to keep %llu MiB free",
                      file.path.c_str(), static_cast<unsigned long long>(Mib(file.bytes)),
                      static_cast<unsigned long long>(Mib(room.floor_bytes)));
    std::fprintf(stderr, "%s\n", line);
    ConsolePrint(line);
}

std::string NoRoomText(const StorageRoom& room, const std::string& folder) {
    char text[kPathLength + 200];
    if (room.limit_bytes > 0 && room.need_bytes > room.limit_bytes)
        std::snprintf(text, sizeof text, "the storage limit of %llu MiB is too small for a recording",
                      static_cast<unsigned long long>(Mib(room.limit_bytes)));
    else
        std::snprintf(text, sizeof text,
                      "%s would get too full (%llu MiB free, %llu MiB to keep free, limit %s%llu MiB) "
                      "and no older recording or shot of Lumora is left to delete",
                      folder.c_str(), static_cast<unsigned long long>(Mib(room.available_bytes)),
                      static_cast<unsigned long long>(Mib(room.floor_bytes)), room.limit_bytes ? "" : "none, ",
                      static_cast<unsigned long long>(Mib(room.limit_bytes)));
    return text;
}

bool LimitCrossed(uint64_t total, const StorageRoom& room) {
    return room.limit_bytes > 0 && total + room.need_bytes > room.limit_bytes;
}

bool FloorCrossed(uint64_t available, const StorageRoom& room) {
    return available < room.floor_bytes + room.need_bytes;
}

}  // namespace

bool IsLumoraFileName(const std::string& name) {
    static const std::regex pattern(
        R"(\d\d_\d\d_\d{4}_\d\d_\d\d_\d\d((_\d+)?\.bmp|_(record_dev1|effect_rec_screen|screen_rec_screen|motion_rec_dev1)(_\d+)?\.(avi|mp4)))");
    return std::regex_match(name, pattern);
}

uint64_t FreeSpaceFloor(uint64_t disk_total, uint32_t free_mib_setting) {
    if (free_mib_setting > 0) return free_mib_setting * kMiB;
    return std::min(kDefaultFloor, disk_total / 100 * kDefaultFloorPercent);
}

StoragePlan PlanStorage(const std::vector<GuardedFile>& files, const std::string& writing,
                        const StorageRoom& room) {
    std::vector<size_t> order;
    uint64_t total = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        total += files[i].bytes;
        if (files[i].path != writing) order.push_back(i);
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (files[a].modified != files[b].modified) return files[a].modified < files[b].modified;
        return files[a].path < files[b].path;
    });
    StoragePlan plan;
    uint64_t available = room.available_bytes;
    auto next = order.begin();
    while (LimitCrossed(total, room) || FloorCrossed(available, room)) {
        // Only a file on the recordings' disk helps the floor.
        const RoomReason reason = LimitCrossed(total, room) ? RoomReason::kLimit : RoomReason::kFloor;
        while (next != order.end() && reason == RoomReason::kFloor && !files[*next].on_recording_disk) ++next;
        if (next == order.end()) {
            plan.fits = false;
            return plan;
        }
        const GuardedFile& file = files[*next];
        plan.removals.push_back({*next, reason});
        total -= file.bytes;
        if (file.on_recording_disk) available += file.bytes;
        ++next;
    }
    return plan;
}

bool MakeRoomForRecording(uint64_t need_bytes, const std::string& writing, std::string* reason) {
    const std::string folder = GuardedFolder(OutputKind::kRecordings);
    DiskSpace disk;
    // A folder that is not there yet is the writer's to report.
    if (!ReadDiskSpace(folder, &disk)) return true;
    StorageRoom room;
    room.limit_bytes = uint64_t(std::max(0, app.storage_limit_mib)) * kMiB;
    room.floor_bytes = FreeSpaceFloor(disk.total, static_cast<uint32_t>(std::max(0, app.storage_free_mib)));
    room.available_bytes = disk.available;
    room.need_bytes = need_bytes;
    const std::vector<GuardedFile> files = GatherFiles(disk.disk);
    const StoragePlan plan = PlanStorage(files, NativePath(writing.c_str()), room);
    if (!plan.fits) {
        *reason = NoRoomText(room, folder);
        return false;
    }
    for (const Removal& removal : plan.removals) {
        const GuardedFile& file = files[removal.file];
        const std::string failure = RemoveFile(file.path);
        if (!failure.empty()) {
            *reason = "cannot delete " + file.path + ": " + failure;
            return false;
        }
        TellRemoval(file, removal.reason, room);
    }
    return true;
}

void SetStorageLimit(int32_t mib) {
    app.storage_limit_mib = std::max(0, mib);
    DiskSpace disk;
    const std::string folder = GuardedFolder(OutputKind::kRecordings);
    if (mib <= 0 || !ReadDiskSpace(folder, &disk) || uint64_t(mib) * kMiB <= disk.total) return;
    char line[kPathLength + 160];
    std::snprintf(line, sizeof line,
                  "storage: the limit of %d MiB is more than the disk of %s holds (%llu MiB); "
                  "the free space kept on it still guards it",
                  mib, folder.c_str(), static_cast<unsigned long long>(disk.total / kMiB));
    std::fprintf(stderr, "%s\n", line);
    ConsolePrint(line);
}

void SetStorageFloor(int32_t mib) { app.storage_free_mib = std::max(0, mib); }

void ResetStorageGuard(uint32_t now_ms) { storage_guard = {now_ms, 0, 0}; }

bool GuardRunningRecording(uint32_t now_ms, const std::string& writing, std::string* reason) {
    const uint32_t elapsed = now_ms - storage_guard.last_check_ms;
    if (elapsed < kCheckIntervalMs) return true;
    const uint64_t bytes = FileBytes(NativePath(writing.c_str()));
    const uint64_t grown = bytes > storage_guard.last_bytes ? bytes - storage_guard.last_bytes : 0;
    storage_guard.bytes_per_second = grown * 1000 / elapsed;
    storage_guard.last_bytes = bytes;
    storage_guard.last_check_ms = now_ms;
    const uint64_t ahead = std::max(kGuardLeastAhead, storage_guard.bytes_per_second * kGuardAheadSeconds);
    return MakeRoomForRecording(ahead, writing, reason);
}
