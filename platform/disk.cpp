#include "platform/disk.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool ListFolderFiles(const std::string& folder, std::vector<FolderFile>* files) {
    files->clear();
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    while (const dirent* entry = readdir(dir)) {
        struct stat info;
        const std::string path = folder + "/" + entry->d_name;
        if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        files->push_back({entry->d_name, static_cast<uint64_t>(info.st_size),
                          static_cast<int64_t>(info.st_mtime), static_cast<uint64_t>(info.st_dev)});
    }
    closedir(dir);
    return true;
}

bool ReadDiskSpace(const std::string& folder, DiskSpace* space) {
    struct statvfs disk;
    struct stat info;
    if (statvfs(folder.c_str(), &disk) != 0 || stat(folder.c_str(), &info) != 0) return false;
    space->total = static_cast<uint64_t>(disk.f_blocks) * disk.f_frsize;
    space->available = static_cast<uint64_t>(disk.f_bavail) * disk.f_frsize;
    space->disk = static_cast<uint64_t>(info.st_dev);
    return true;
}

uint64_t FileBytes(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

std::string RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0 ? std::string() : std::strerror(errno);
}
