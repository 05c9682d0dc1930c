// StoredStream: the file a recording's encoded frames go to, whatever its
// container (record/avi_file.h, record/mp4_file.h).  The recording writer
// (record/avi_generator.h) owns one per recording and feeds it from the
// encoder's thread.
//
// Create, then Begin before the first frame (the codec's set-up data may
// only be known then), Write per frame, Finish.  A failed write keeps what
// was written before it readable and fails every later write; Error() says
// why.  One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct AviStreamFormat;

// One encoded frame as the encoder timed it.
struct EncodedFrame {
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool key_frame = false;    // decodable on its own
    uint64_t pts_ns = 0;       // presentation time from the stream's start
    uint64_t duration_ns = 0;
};

class StoredStream {
public:
    virtual ~StoredStream() = default;
    // Creates (or empties) `path`.  False when it cannot; Error() says why.
    virtual bool Create(const std::string& path) = 0;
    virtual bool Begin(const AviStreamFormat& format) = 0;
    virtual bool Write(const EncodedFrame& frame) = 0;
    // Closes the file with whatever it needs at its end.  False when some of
    // it could not be written (the frames before stay readable).
    virtual bool Finish() = 0;

    virtual bool HasBegun() const = 0;
    virtual uint64_t Frames() const = 0;
    virtual const std::string& Error() const = 0;
    virtual int ErrorNumber() const = 0;  // errno of the first failure
};
