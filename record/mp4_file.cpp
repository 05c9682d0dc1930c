// Mp4File's file and error keeping; the muxer is in mp4_file_gst.cpp.
#include "record/mp4_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

Mp4File::~Mp4File() {
    if (fd_ >= 0) Finish();
}

bool Mp4File::Create(const std::string& path) {
    if (fd_ >= 0 || muxer_) return false;  // one file per writer
    path_ = path;
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) return Fail("cannot create the file", errno);
    return true;
}

bool Mp4File::Fail(const std::string& what, int error_number) {
    if (!failed_) {
        failed_ = true;
        error_number_ = error_number;
        error_ = error_number ? what + ": " + std::strerror(error_number) : what;
    }
    return false;
}

bool Mp4File::Finish() {
    const bool finished = StopMuxer();
    CloseFile();
    return finished && !failed_;
}

void Mp4File::CloseFile() {
    if (fd_ < 0) return;
    if (::close(fd_) != 0) Fail("cannot close the file", errno);
    fd_ = -1;
}
