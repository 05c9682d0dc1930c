// Scripted cameras behind the VideoSource stand-in (fake_video_source.cpp):
// a source built from description file `path` is FakeCamera(path).
#pragma once

#include <cstdint>
#include <string>

struct FakeCamera {
    // The script.
    bool builds = true;  // false: BuildGraphFromXMLFile fails, naming the file
    int width = 64, height = 48;
    double frame_rate = 30;
    std::string stand_in_notice;
    bool lost = false;  // what Lost() says
    int started_source = 0;  // which source of its file runs
    // What the program did with it.
    bool running = false;
    int releases = 0;
};

// The camera of `path`, made on first use; ResetFakeCameras forgets them all.
FakeCamera& FakeCameraFor(const std::string& path);
void ResetFakeCameras();
// A new frame of `width` x `height` pixels, every byte `fill`, with a newer stamp.
void PublishFakeFrame(const std::string& path, uint8_t fill, int width, int height);
// Changes the bytes of the current frame without making it a new one.
void OverwriteFakeFrame(const std::string& path, uint8_t fill);
