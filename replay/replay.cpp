// lumora-replay's plain part: options, the measurements over the frames and
// the lines it prints.
#include "replay/replay.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr RobustSettings kRobustSettings{};
constexpr double kFrameSlack = 0.001;  // seconds: a frame this early is on time

bool ParseNumber(const char* text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(*value);
}

// One "--name value" pair into the options; the refusal's text or "".
std::string TakeOption(const std::string& name, const char* value, ReplayOptions* o) {
    double number = 0;
    if (name == "--detector") {
        if (std::strcmp(value, "classic") == 0) o->detector = kDetectorClassic;
        else if (std::strcmp(value, "robust") == 0) o->detector = kDetectorRobust;
        else return "--detector takes classic or robust, not \"" + std::string(value) + "\"";
    } else if (name == "--threshold") {
        if (!ParseNumber(value, &number) || number < 0) return "--threshold takes a number of 0 or more";
        o->threshold = static_cast<float>(number);
    } else if (name == "--interval") {
        if (!ParseNumber(value, &number) || number <= 0) return "--interval takes seconds above 0";
        o->interval = number;
    } else if (name == "--mask") {
        o->mask = value;
    } else {
        return "unknown option " + name;
    }
    return "";
}

void OpenEvent(ReplaySession& s, double seconds) {
    s.events.push_back({seconds, seconds});
    s.event_open = true;
}

void CloseEvent(ReplaySession& s, double end) {
    if (!s.event_open) return;
    s.events.back().end = end;
    s.event_open = false;
}

void ClassicMeasurement(ReplaySession& s, const uint8_t* frame, int width, int height, double seconds,
                        FILE* out) {
    float pcd = 0;
    const uint8_t* weights = MotionMaskWeights(s.mask, width, height);
    if (!ClassicMeasure(s.classic, width, height, frame, weights, &pcd)) return;
    const float change = std::fabs(pcd - s.pcd);
    s.pcd = pcd;
    const bool fired = change >= s.options.threshold;
    std::fprintf(out, "%.2f %.3f %d\n", seconds, change, fired ? 1 : 0);
    if (fired && !s.event_open) OpenEvent(s, seconds);
    if (fired) s.last_event_seconds = seconds;
    if (!fired) CloseEvent(s, s.last_event_seconds);
}

void RobustFrame(ReplaySession& s, const uint8_t* frame, int width, int height, double seconds) {
    const RobustReading reading =
        RobustStep(s.robust, kRobustSettings, frame, width, height, seconds, s.options.threshold,
                   MotionMaskWeights(s.mask, width, height), s.mask.generation);
    if (reading.event_started) OpenEvent(s, seconds);
    if (reading.event_ended) CloseEvent(s, s.robust.last_motion_seconds);
}

// The first classic measurement only primes, as in the program; the robust
// detector reports from its first interval's end on.
void Measure(ReplaySession& s, const uint8_t* frame, int width, int height, double seconds, FILE* out) {
    if (s.options.detector == kDetectorClassic) {
        ClassicMeasurement(s, frame, width, height, seconds, out);
        return;
    }
    if (seconds < kFrameSlack) return;
    const RobustInterval interval = RobustEndInterval(s.robust);
    std::fprintf(out, "%.2f %.3f %d\n", seconds, interval.peak, interval.event_seen ? 1 : 0);
}

}  // namespace

const char kReplayUsage[] =
    "usage: lumora-replay [--detector classic|robust] [--threshold X] [--interval S]\n"
    "                     [--mask FILE.bmp] FILE\n"
    "Runs Lumora's motion detector over a recorded video file and prints\n"
    "\"<seconds> <value> <0|1>\" per measurement, then \"events: N\" and\n"
    "\"event <start> <end>\" per event.  Defaults: classic, 0.18, 1 second.\n";

std::string ParseReplayOptions(int argc, const char* const* argv, ReplayOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) == 0) {
            if (i + 1 >= argc) return arg + " needs a value";
            const std::string refused = TakeOption(arg, argv[++i], options);
            if (!refused.empty()) return refused;
        } else if (options->file.empty()) {
            options->file = arg;
        } else {
            return "one file at a time (also given: " + arg + ")";
        }
    }
    return options->file.empty() ? "no file given" : "";
}

ReplaySession::~ReplaySession() {
    std::free(classic.motion_snapshot);
    std::free(classic.motion_snapshot_previous);
}

void StartReplay(ReplaySession& s, const ReplayOptions& options) {
    s.options = options;
    if (!options.mask.empty()) LoadMotionMask(options.mask.c_str(), &s.mask);
}

void ReplayFrame(ReplaySession& s, const uint8_t* frame, int width, int height, double seconds, FILE* out) {
    if (!s.started) {
        s.started = true;
        s.first_seconds = seconds;
        s.next_measurement = 0;
    }
    const double t = seconds - s.first_seconds;
    if (s.options.detector == kDetectorRobust) RobustFrame(s, frame, width, height, t);
    if (t + kFrameSlack < s.next_measurement) return;
    Measure(s, frame, width, height, t, out);
    s.next_measurement += s.options.interval;
    if (s.next_measurement + kFrameSlack <= t) s.next_measurement = t + s.options.interval;
}

void FinishReplay(ReplaySession& s, FILE* out) {
    if (s.event_open)
        CloseEvent(s, s.options.detector == kDetectorRobust ? s.robust.last_motion_seconds : s.last_event_seconds);
    std::fprintf(out, "events: %zu\n", s.events.size());
    for (const ReplayEvent& e : s.events) std::fprintf(out, "event %.2f %.2f\n", e.start, e.end);
}
