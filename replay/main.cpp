// lumora-replay's entry point: options, the file decoded frame by frame
// through the session, the events.  Status 0, 1 for a file it cannot read,
// 2 for options it refuses.
#include <cstdio>
#include <cstring>

#include "replay/replay.h"

namespace {

void OnFrame(void* context, const uint8_t* frame, int width, int height, double seconds) {
    ReplayFrame(*static_cast<ReplaySession*>(context), frame, width, height, seconds, stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kReplayUsage, stdout);
        return 0;
    }
    ReplayOptions options;
    const std::string refused = ParseReplayOptions(argc, argv, &options);
    if (!refused.empty()) {
        std::fprintf(stderr, "lumora-replay: %s\n%s", refused.c_str(), kReplayUsage);
        return 2;
    }
    ReplaySession session;
    StartReplay(session, options);
    std::string error;
    if (!DecodeVideoFile(options.file, OnFrame, &session, &error)) {
        std::fflush(stdout);
        std::fprintf(stderr, "lumora-replay: %s: %s\n", options.file.c_str(), error.c_str());
        return 1;
    }
    FinishReplay(session, stdout);
    return 0;
}
