// Disk: the files of a folder, the free space of the disk a folder is on,
// and removing a file.  Plain POSIX calls, one small API for the storage
// guard (record/storage_guard.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FolderFile {
    std::string name;       // without the folder
    uint64_t bytes = 0;
    int64_t modified = 0;   // seconds since the epoch
    uint64_t disk = 0;      // the device the file is on
};

// The regular files directly in `folder` (not below it).  False when the
// folder cannot be read.
bool ListFolderFiles(const std::string& folder, std::vector<FolderFile>* files);

struct DiskSpace {
    uint64_t total = 0, available = 0;  // bytes; available to this user
    uint64_t disk = 0;                  // the device
};
bool ReadDiskSpace(const std::string& folder, DiskSpace* space);

// The size of one file, 0 when it is not there.
uint64_t FileBytes(const std::string& path);

// Empty on success, else why not.
std::string RemoveFile(const std::string& path);
