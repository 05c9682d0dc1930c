// VideoSource stand-in for the unit tests: frames come from the test
// (PublishFakeFrame), not from GStreamer.  Thread-safe like the real one, so
// the holder threads of the capture devices run as in the program.
#include "capture/video_source.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

#include "support/fake_video_source.h"

namespace {

struct FakeFeed {
    FakeCamera camera;
    std::vector<uint8_t> frame;
    int frame_width = 0, frame_height = 0;
    int64_t stamp = 0;
    unsigned checked_out = 0, max_checkouts = 0;
    bool released = true;
};

std::mutex feed_mutex;  // guards feeds and everything in them
std::condition_variable frame_ready;
std::map<std::string, FakeFeed> feeds;

FakeFeed& Feed(const std::string& path) { return feeds[path]; }

}  // namespace

FakeCamera& FakeCameraFor(const std::string& path) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    return Feed(path).camera;
}

void ResetFakeCameras() {
    std::lock_guard<std::mutex> lock(feed_mutex);
    feeds.clear();
}

void PublishFakeFrame(const std::string& path, uint8_t fill, int width, int height) {
    {
        std::lock_guard<std::mutex> lock(feed_mutex);
        FakeFeed& feed = Feed(path);
        feed.frame.assign(static_cast<size_t>(width) * height * 4, fill);
        feed.frame_width = width;
        feed.frame_height = height;
        ++feed.stamp;
    }
    frame_ready.notify_all();
}

void OverwriteFakeFrame(const std::string& path, uint8_t fill) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    std::vector<uint8_t>& frame = Feed(path).frame;
    frame.assign(frame.size(), fill);
}

struct VideoSource::Impl {
    std::string path;  // empty before a build
    std::string failure;
};

VideoSource::VideoSource() : impl_(new Impl) {}
VideoSource::~VideoSource() { delete impl_; }

int VideoSource::BuildGraphFromXMLFile(const char* path) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    FakeFeed& feed = Feed(path);
    if (!feed.camera.builds) {
        impl_->failure = std::string(path) + ": no source could be started";
        return -1;
    }
    impl_->path = path;
    feed.released = false;
    return 0;
}

const char* VideoSource::FailureReason() const { return impl_->failure.c_str(); }

int VideoSource::StartedSource() const {
    std::lock_guard<std::mutex> lock(feed_mutex);
    return impl_->path.empty() ? -1 : Feed(impl_->path).camera.started_source;
}

std::string VideoSource::CameraStandInNotice() const {
    std::lock_guard<std::mutex> lock(feed_mutex);
    return Feed(impl_->path).camera.stand_in_notice;
}

int VideoSource::GetCurrentMediaFormat(long* width, long* height, double* frame_rate) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    if (impl_->path.empty()) return -1;
    const FakeCamera& camera = Feed(impl_->path).camera;
    *width = camera.width;
    *height = camera.height;
    *frame_rate = camera.frame_rate;
    return 0;
}

int VideoSource::EnableMemoryBuffer(unsigned max_concurrent_checkouts) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    Feed(impl_->path).max_checkouts = max_concurrent_checkouts;
    return 0;
}

int VideoSource::Run() {
    std::lock_guard<std::mutex> lock(feed_mutex);
    Feed(impl_->path).camera.running = true;
    return 0;
}

// Waits for the next published frame (or the release), not per reader.
int VideoSource::WaitForNextSample(long timeout_ms) {
    std::unique_lock<std::mutex> lock(feed_mutex);
    FakeFeed& feed = Feed(impl_->path);
    const int64_t seen = feed.stamp;
    auto ready = [&] { return feed.released || feed.stamp != seen; };
    if (timeout_ms < 0)
        frame_ready.wait(lock, ready);
    else
        frame_ready.wait_for(lock, std::chrono::milliseconds(timeout_ms), ready);
    return feed.released || feed.frame.empty() ? -1 : 0;
}

int VideoSource::CheckoutMemoryBuffer(MemoryBufferHandle* handle, uint8_t** pixels, unsigned* width,
                                      unsigned* height, int64_t* timestamp) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    FakeFeed& feed = Feed(impl_->path);
    if (feed.released || feed.frame.empty() || feed.checked_out >= feed.max_checkouts) return -1;
    ++feed.checked_out;
    *handle = 0;
    *pixels = feed.frame.data();
    if (width) *width = static_cast<unsigned>(feed.frame_width);
    if (height) *height = static_cast<unsigned>(feed.frame_height);
    if (timestamp) *timestamp = feed.stamp;
    return 0;
}

int VideoSource::CheckinMemoryBuffer(MemoryBufferHandle) {
    std::lock_guard<std::mutex> lock(feed_mutex);
    FakeFeed& feed = Feed(impl_->path);
    if (feed.checked_out == 0) return -1;
    --feed.checked_out;
    return 0;
}

int64_t VideoSource::GetCurrentTimestamp() {
    std::lock_guard<std::mutex> lock(feed_mutex);
    return Feed(impl_->path).stamp;
}

void VideoSource::SetRetryInterval(int) {}

bool VideoSource::Lost() const {
    std::lock_guard<std::mutex> lock(feed_mutex);
    return Feed(impl_->path).camera.lost;
}

int VideoSource::Stop() {
    std::lock_guard<std::mutex> lock(feed_mutex);
    Feed(impl_->path).camera.running = false;
    return 0;
}

int VideoSource::ReleaseGraph() {
    {
        std::lock_guard<std::mutex> lock(feed_mutex);
        FakeFeed& feed = Feed(impl_->path);
        feed.released = true;
        ++feed.camera.releases;
    }
    frame_ready.notify_all();
    return 0;
}
