// The robust motion detector: grey cells, the fitted reference, the noise
// bands, light switches, speckles and the event's start and end.
#include "motion/robust_detector.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kBands = kNoiseBands;
constexpr int kNoiseBins = 256;           // quarter grey levels up to 64
constexpr float kBinsPerLevel = 4.0f;
constexpr float kMadToDeviation = 1.4826f;  // median |x| of normal noise x 1.48 = its deviation
constexpr float kNoiseFollow = 0.2f;      // of a new estimate taken per analysis
constexpr float kSaturated = 250.0f;      // cells this bright tell nothing of the light
constexpr float kFitStiffness = 25.0f;    // keeps the gain near 1 on pictures of one grey
constexpr float kMaxValue = 25.0f;        // the classic measure's top
constexpr float kPercent = 100.0f;
constexpr int kMinFitCells = 16;
constexpr uint8_t kFullWeight = 255;

struct LightFit {
    float gain = 1, offset = 0;
};

float Predicted(const LightFit& fit, float reference) {
    return std::clamp(fit.gain * reference + fit.offset, 0.0f, 255.0f);
}

int BandOf(float level) { return std::clamp(static_cast<int>(level) / 32, 0, kBands - 1); }

// Sizes the detector for a new frame size; the reference starts again.
void Prepare(RobustDetector& d, const RobustSettings& s, int width, int height) {
    if (d.frame_width == width && d.frame_height == height && !d.current.empty()) return;
    const CellGrid grid = CellGridFor(width, height, s.grid_width);
    d.frame_width = width;
    d.frame_height = height;
    d.block = grid.block;
    d.grid_width = grid.width;
    d.grid_height = grid.height;
    const size_t cells = static_cast<size_t>(grid.width) * grid.height;
    d.current.assign(cells, 0);
    d.reference.assign(cells, 0);
    d.previous.assign(cells, 0);
    d.standing.assign(cells, 0);
    d.cell_weight.assign(cells, kFullWeight);
    d.change.assign(cells, kCellStill);
    d.labels.assign(cells, 0);
    d.stack.reserve(cells);
    d.has_reference = false;
    d.mask_applied = false;
}

// sums[x] += B + 2G + R of pixel x of the row (B G R x in memory), four
// pixels at a time where SSE2 is there.
void AddRowGreys(const uint8_t* row, int width, uint32_t* sums) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i low_byte = _mm_set1_epi32(0xFF);
    for (; x + 4 <= width; x += 4) {
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 4 * x));
        const __m128i blue = _mm_and_si128(pixels, low_byte);
        const __m128i green = _mm_and_si128(_mm_srli_epi32(pixels, 8), low_byte);
        const __m128i red = _mm_and_si128(_mm_srli_epi32(pixels, 16), low_byte);
        const __m128i grey = _mm_add_epi32(_mm_add_epi32(blue, red), _mm_add_epi32(green, green));
        auto* target = reinterpret_cast<__m128i*>(sums + x);
        _mm_storeu_si128(target, _mm_add_epi32(_mm_loadu_si128(target), grey));
    }
#endif
    for (; x < width; ++x) sums[x] += row[4 * x] + 2u * row[4 * x + 1] + row[4 * x + 2];
}

// Grey (R + 2G + B) / 4 averaged over each cell: each row of cells sums its
// pixel rows column by column first (one plain pass over the bytes), then
// the columns of each cell.
void ReduceToCells(RobustDetector& d, const uint8_t* frame) {
    const int w = d.frame_width, h = d.frame_height, b = d.block;
    d.column_sums.resize(static_cast<size_t>(w));
    for (int cy = 0; cy < d.grid_height; ++cy) {
        std::fill(d.column_sums.begin(), d.column_sums.end(), 0u);
        const int y0 = cy * b, y1 = std::min(h, y0 + b);
        for (int y = y0; y < y1; ++y) {
            AddRowGreys(frame + static_cast<size_t>(y) * w * 4, w, d.column_sums.data());
        }
        for (int cx = 0; cx < d.grid_width; ++cx) {
            const int x0 = cx * b, x1 = std::min(w, x0 + b);
            uint32_t sum = 0;
            for (int x = x0; x < x1; ++x) sum += d.column_sums[x];
            const int count = (y1 - y0) * (x1 - x0);
            d.current[static_cast<size_t>(cy) * d.grid_width + cx] = static_cast<float>(sum) / (4.0f * count);
        }
    }
}

// The mask's weight per cell, remade when the mask or the grid changed.
void ApplyMask(RobustDetector& d, const uint8_t* weights, uint32_t generation) {
    if (!weights) {
        if (d.mask_applied) std::fill(d.cell_weight.begin(), d.cell_weight.end(), kFullWeight);
        d.mask_applied = false;
        return;
    }
    if (d.mask_applied && d.mask_generation == generation) return;
    CellAverages(weights, d.frame_width, d.frame_height, CellGrid{d.block, d.grid_width, d.grid_height},
                 d.cell_weight.data());
    d.mask_applied = true;
    d.mask_generation = generation;
}

// Least squares of current = gain x reference + offset over the watched,
// unsaturated cells whose residual under `previous` is within `tolerance`
// (all of them when tolerance is infinite).
LightFit FitLight(const RobustDetector& d, const LightFit& previous, float tolerance) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t c = 0; c < d.current.size(); ++c) {
        const float x = d.reference[c], y = d.current[c];
        if (!d.cell_weight[c] || x >= kSaturated || y >= kSaturated) continue;
        if (std::fabs(y - Predicted(previous, x)) > tolerance) continue;
        n += 1, sx += x, sy += y, sxx += double(x) * x, sxy += double(x) * y;
    }
    if (n < kMinFitCells) return previous;
    const double mx = sx / n, my = sy / n;
    const double variance = sxx / n - mx * mx, covariance = sxy / n - mx * my;
    LightFit fit;
    fit.gain = static_cast<float>(std::clamp((covariance + kFitStiffness) / (variance + kFitStiffness), 0.25, 4.0));
    fit.offset = static_cast<float>(my - fit.gain * mx);
    return fit;
}

// The fit twice: the second time without the cells the first found changed,
// so a walking person does not tilt the light's estimate.
LightFit FitLightRobustly(const RobustDetector& d, const RobustSettings& s) {
    const LightFit first = FitLight(d, LightFit{}, INFINITY);
    float typical = s.noise_floor;
    if (d.noise_known) typical = std::max(typical, *std::max_element(d.band_noise, d.band_noise + kBands));
    return FitLight(d, first, 3.0f * typical);
}

float MedianOfBins(const uint32_t* bins, uint32_t count) {
    uint32_t seen = 0;
    for (int bin = 0; bin < kNoiseBins; ++bin) {
        seen += bins[bin];
        if (2 * seen >= count) return (static_cast<float>(bin) + 0.5f) / kBinsPerLevel;
    }
    return kNoiseBins / kBinsPerLevel;
}

// The noise deviation per band of brightness, from the median difference of
// the watched cells to the fitted reference (robust while less than half of
// a band moves); a band with few cells takes the whole picture's.
void EstimateNoise(RobustDetector& d, const LightFit& fit) {
    uint32_t bins[kBands + 1][kNoiseBins] = {};
    uint32_t counts[kBands + 1] = {};
    for (size_t c = 0; c < d.current.size(); ++c) {
        if (!d.cell_weight[c]) continue;
        const float predicted = Predicted(fit, d.reference[c]);
        const int bin = std::min(kNoiseBins - 1, static_cast<int>(std::fabs(d.current[c] - predicted) * kBinsPerLevel));
        for (int band : {BandOf(predicted), kBands}) ++bins[band][bin], ++counts[band];
    }
    if (!counts[kBands]) return;
    const float whole = MedianOfBins(bins[kBands], counts[kBands]) * kMadToDeviation;
    const uint32_t enough = std::max<uint32_t>(kMinFitCells, counts[kBands] / 50);
    for (int band = 0; band < kBands; ++band) {
        const float estimate = counts[band] >= enough ? MedianOfBins(bins[band], counts[band]) * kMadToDeviation : whole;
        float& noise = d.band_noise[band];
        noise = d.noise_known ? noise + kNoiseFollow * (estimate - noise) : estimate;
    }
    d.noise_known = true;
}

// How far a cell of this brightness may stray and still be noise.
float NoiseLimit(const RobustDetector& d, const RobustSettings& s, float level) {
    return std::max(s.noise_floor, s.noise_factor * d.band_noise[BandOf(level)]);
}

// Marks the watched cells beyond the noise; returns their weight.
uint64_t MarkChanges(RobustDetector& d, const RobustSettings& s, const LightFit& fit) {
    uint64_t changed = 0;
    for (size_t c = 0; c < d.current.size(); ++c) {
        const float predicted = Predicted(fit, d.reference[c]);
        const bool differs = d.cell_weight[c] && std::fabs(d.current[c] - predicted) > NoiseLimit(d, s, predicted);
        d.change[c] = differs ? kCellSpeckle : kCellStill;
        if (differs) changed += d.cell_weight[c];
    }
    return changed;
}

// The changed cells connected to `start` (eight neighbours), in d.stack.
void CollectRegion(RobustDetector& d, size_t start, int32_t label) {
    d.stack.clear();
    d.stack.push_back(static_cast<int32_t>(start));
    d.labels[start] = label;
    for (size_t next = 0; next < d.stack.size(); ++next) {
        const int cell = d.stack[next];
        const int cx = cell % d.grid_width, cy = cell / d.grid_width;
        for (int ny = std::max(0, cy - 1); ny <= std::min(d.grid_height - 1, cy + 1); ++ny)
            for (int nx = std::max(0, cx - 1); nx <= std::min(d.grid_width - 1, cx + 1); ++nx) {
                const size_t n = static_cast<size_t>(ny) * d.grid_width + nx;
                if (d.change[n] != kCellSpeckle || d.labels[n]) continue;
                d.labels[n] = label;
                d.stack.push_back(static_cast<int32_t>(n));
            }
    }
}

// Regions of at least `min_cells` become moving; returns their weight.
uint64_t KeepObjects(RobustDetector& d, size_t min_cells) {
    std::fill(d.labels.begin(), d.labels.end(), 0);
    uint64_t moving = 0;
    int32_t label = 0;
    for (size_t c = 0; c < d.change.size(); ++c) {
        if (d.change[c] != kCellSpeckle || d.labels[c]) continue;
        CollectRegion(d, c, ++label);
        if (d.stack.size() < min_cells) continue;
        for (int32_t cell : d.stack) {
            d.change[cell] = kCellMoving;
            moving += d.cell_weight[cell];
        }
    }
    return moving;
}

// The reference follows the scene; a changed cell that has not moved since
// the last analysis for absorb_seconds is taken into it whole.
void FollowScene(RobustDetector& d, const RobustSettings& s) {
    const auto absorb = static_cast<uint16_t>(std::clamp(s.absorb_seconds / s.analysis_period, 1.0, 60000.0));
    for (size_t c = 0; c < d.reference.size(); ++c) {
        const bool changed = d.change[c] != kCellStill;
        const bool standing = std::fabs(d.current[c] - d.previous[c]) <= NoiseLimit(d, s, d.current[c]);
        d.standing[c] = changed && standing ? d.standing[c] + 1 : 0;
        if (d.standing[c] >= absorb) {
            d.reference[c] = d.current[c];
            d.standing[c] = 0;
            continue;
        }
        d.reference[c] += (changed ? s.moving_rate : s.still_rate) * (d.current[c] - d.reference[c]);
    }
}

// The reference taken anew: the first frame, a light switch and the pause after it.
void TakeReference(RobustDetector& d) {
    d.reference = d.current;
    d.has_reference = true;
    std::fill(d.change.begin(), d.change.end(), kCellStill);
    std::fill(d.standing.begin(), d.standing.end(), 0);
}

uint64_t WatchedWeight(const RobustDetector& d) {
    uint64_t total = 0;
    for (uint8_t w : d.cell_weight) total += w;
    return total;
}

// One analysis of the cells: the share of the watched picture that moves.
float AnalyseCells(RobustDetector& d, const RobustSettings& s) {
    if (!d.has_reference || d.pause > 0) {
        d.pause = std::max(0, d.pause - 1);
        TakeReference(d);
        return 0;
    }
    const LightFit fit = FitLightRobustly(d, s);
    if (!d.noise_known) EstimateNoise(d, fit);
    const uint64_t watched = WatchedWeight(d);
    const uint64_t changed = MarkChanges(d, s, fit);
    if (watched == 0) return 0;
    if (static_cast<double>(changed) * kPercent > s.light_switch_share * static_cast<double>(watched)) {
        d.pause = s.light_switch_pause;
        TakeReference(d);
        return 0;
    }
    EstimateNoise(d, fit);
    const size_t cells = d.change.size();
    const auto min_cells = static_cast<size_t>(std::max(1.0, std::round(s.min_object_share / kPercent * static_cast<double>(cells))));
    const uint64_t moving = KeepObjects(d, min_cells);
    FollowScene(d, s);
    return std::min(kMaxValue, static_cast<float>(moving * kPercent / static_cast<double>(watched)));
}

// Motion in `min_frames` analyses in a row starts an event; `event_gap`
// seconds without motion end it.
void StepEvent(RobustDetector& d, const RobustSettings& s, RobustReading& r, float threshold,
               double seconds) {
    const bool motion = r.value > 0 && r.value >= threshold;
    d.frames_in_a_row = motion ? d.frames_in_a_row + 1 : 0;
    if (!d.event_running && d.frames_in_a_row >= s.min_frames) {
        d.event_running = r.event_started = true;
    } else if (d.event_running && !motion && seconds - d.last_motion_seconds >= s.event_gap) {
        d.event_running = false;
        r.event_ended = true;
    }
    if (motion && d.event_running) d.last_motion_seconds = seconds;
    r.event_running = d.event_running;
}

// Whether the frame at `seconds` is due; a clock that went back starts the
// pacing again.
bool AnalysisDue(RobustDetector& d, const RobustSettings& s, double seconds) {
    constexpr double kSlack = 0.001;
    if (d.analysed_once && seconds + 2 * s.analysis_period < d.next_analysis_seconds)
        d.next_analysis_seconds = seconds;
    if (d.analysed_once && seconds + kSlack < d.next_analysis_seconds) return false;
    d.next_analysis_seconds = d.analysed_once ? d.next_analysis_seconds + s.analysis_period : seconds + s.analysis_period;
    if (d.next_analysis_seconds <= seconds) d.next_analysis_seconds = seconds + s.analysis_period;
    d.analysed_once = true;
    return true;
}

}  // namespace

CellGrid CellGridFor(int frame_width, int frame_height, int grid_width) {
    const int block = std::max(1, (frame_width + grid_width - 1) / std::max(1, grid_width));
    return {block, (frame_width + block - 1) / block, (frame_height + block - 1) / block};
}

void CellAverages(const uint8_t* values, int width, int height, const CellGrid& grid, uint8_t* cells) {
    const size_t count = static_cast<size_t>(grid.width) * grid.height;
    std::vector<uint32_t> sums(count, 0), counts(count, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t cell = static_cast<size_t>(y / grid.block) * grid.width + x / grid.block;
            sums[cell] += values[static_cast<size_t>(y) * width + x];
            ++counts[cell];
        }
    for (size_t c = 0; c < count; ++c) cells[c] = static_cast<uint8_t>(sums[c] / counts[c]);
}

void RobustReset(RobustDetector& detector) { detector = RobustDetector{}; }

RobustReading RobustStep(RobustDetector& d, const RobustSettings& s, const uint8_t* frame, int width,
                         int height, double seconds, float threshold, const uint8_t* weights,
                         uint32_t mask_generation) {
    RobustReading reading = d.last;
    reading.analysed = reading.event_started = reading.event_ended = false;
    if (!frame || width <= 0 || height <= 0 || !AnalysisDue(d, s, seconds)) return reading;
    Prepare(d, s, width, height);
    ApplyMask(d, weights, mask_generation);
    ReduceToCells(d, frame);
    reading.analysed = true;
    reading.value = AnalyseCells(d, s);
    d.previous = d.current;
    StepEvent(d, s, reading, threshold, seconds);
    ++d.change_generation;
    d.interval.peak = std::max(d.interval.peak, reading.value);
    d.interval.event_seen |= reading.event_running || reading.event_ended;
    d.last = reading;
    return reading;
}

RobustInterval RobustEndInterval(RobustDetector& d) {
    const RobustInterval ended = d.interval;
    d.interval = RobustInterval{};
    d.interval.event_seen = d.event_running;
    return ended;
}
