// Mp4File: an MP4 file of one H.264 stream (frames in "avc" form, the
// set-up data from the format), for players and browsers that take no AVI.
//
// Fragmented while it is written: a header without frames first, then one
// fragment ('moof' + 'mdat') about every second, each on disk as soon as it
// is complete, so a file cut by a crash or kill -9 plays up to its last
// whole fragment.  Finish adds the fragments' index and the duration.
// Frames keep the times they come with.  The muxing is GStreamer's
// (appsrc ! mp4mux ! fdsink, mp4_file_gst.cpp) on the file Create opened;
// the file and error keeping are here.
#pragma once

#include <cstdint>
#include <string>

#include "record/stored_stream.h"

// Length of one fragment: what a killed recording may lose at most.
constexpr uint32_t kMp4FragmentMs = 1000;

class Mp4File : public StoredStream {
public:
    Mp4File() = default;
    ~Mp4File() override;  // finishes a file still open
    Mp4File(const Mp4File&) = delete;
    Mp4File& operator=(const Mp4File&) = delete;

    bool Create(const std::string& path) override;
    // Starts the muxer for `format`'s size and rate with its set-up data.
    bool Begin(const AviStreamFormat& format) override;
    bool Write(const EncodedFrame& frame) override;
    bool Finish() override;

    bool HasBegun() const override { return muxer_ != nullptr; }
    uint64_t Frames() const override { return frames_; }
    const std::string& Error() const override { return error_; }
    int ErrorNumber() const override { return error_number_; }

private:
    bool Fail(const std::string& what, int error_number);
    // The muxer's end: end of stream, its tail written, the pipeline gone.
    bool StopMuxer();
    void CloseFile();

    struct Muxer;
    Muxer* muxer_ = nullptr;
    std::string path_;
    int fd_ = -1;
    bool failed_ = false;
    std::string error_;
    int error_number_ = 0;
    uint64_t frames_ = 0;
};
