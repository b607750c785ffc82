// The simulated sensor's measured object and one measurement of it: where
// the shadow lies, the video line, the edges, the run reply's words.
#include "sensor.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFullScale = 1024.0;             // video levels are 10-bit inside the sensor
constexpr double kShadowLevel = 0.06;             // shadow level, share of full scale
constexpr double kAutoLevel = 0.75;               // automatic power aims the lit level here
constexpr double kRampPixels = 2.0;               // an edge's light-to-shadow ramp, pixels
constexpr double kEdgeNoisePixels = 0.25;         // edge jitter (one sigma) without averaging
constexpr double kVideoNoise = 5.0;               // video noise (one sigma), 10-bit levels
constexpr double kWidthPeriodRatio = 23.0 / 60.0; // width breathes faster than it moves
constexpr double kWanderShare = 0.75;             // share of a period with both edges on the line

// Lit level for an illumination power of 0..1000.
double LitLevel(double power) {
    return kFullScale * std::min(0.95, 0.25 + 0.9 * power / 1000.0);
}

// Power that gives the automatic lit level.
constexpr double kAutoPower = (kAutoLevel - 0.25) / 0.9 * 1000.0;

} // namespace

Words Measurement::ToWords() const {
    const auto um = static_cast<std::uint32_t>(umValue);
    return {Ledge,
            Redge,
            Mvalue,
            static_cast<u16>(um & 0xFFFF),
            static_cast<u16>(um >> 16),
            tVal,
            tTol,
            edcnt,
            mvstart,
            mvend,
            dynpower,
            anaMax,
            anaMin,
            in0,
            0,
            0};
}

double Sensor::LineUnits() const {
    return std::max<double>(1, config_.model.id.ccdmaxpixelX8);
}

void Sensor::ObjectAt(double t, double *left, double *right) const {
    const double units = LineUnits();
    double centre = 0.5, width = 0.22; // shares of the line
    const double period = config_.period;
    if (period > 0) {
        // For three quarters of each period the object wanders about the
        // middle with both edges on the line; in the last quarter it leaves
        // the line and comes back, by the right end in even periods and by the
        // left in odd ones, so the edge count passes through 1 and 0. The
        // width breathes, so two objects of different size can be taken for a
        // calibration.
        const double cycles = t / period;
        const double phase = cycles - std::floor(cycles);
        if (phase < kWanderShare) {
            centre = 0.5 + 0.2 * std::sin(2 * kPi * phase / kWanderShare);
        } else {
            const double side = static_cast<long long>(std::floor(cycles)) % 2 == 0 ? 1 : -1;
            centre = 0.5 + side * 0.7 * std::sin(kPi * (phase - kWanderShare) / (1 - kWanderShare));
        }
        width = 0.22 + 0.08 * std::sin(2 * kPi * t / (period * kWidthPeriodRatio));
    }
    *left = units * (centre - width / 2);
    *right = units * (centre + width / 2);
}

// Where a recorded row puts the shadow: between its two edges; with one edge,
// on the side the darker end of the window gives and off the line beyond it;
// with none, over the whole line when both ends were dark, else off it.
static void ReplayedObject(const ReplayRow &row, double units, double *left, double *right) {
    const double off = 2 * units;
    if (row.edcnt >= 2) {
        *left = row.Ledge;
        *right = row.Redge;
    } else if (row.edcnt == 1) {
        const bool shadowLeft = row.mvstart < row.mvend;
        *left = shadowLeft ? -off : row.Ledge;
        *right = shadowLeft ? row.Ledge : off;
    } else {
        const bool covered = row.mvstart < kFullScale / 2 && row.mvend < kFullScale / 2;
        *left = -off;
        *right = covered ? off : -off;
    }
}

Measurement Sensor::Measure(double t) {
    const Words &s = ram_;
    const Model &model = config_.model;
    const double units = LineUnits();

    // Illumination: fixed power, or regulated towards the automatic level.
    if (s[kPowMode] == 0)
        dynpower_ = std::min<double>(s[kPower], 1000);
    else if (s[kPowMode] == 1)
        dynpower_ += (kAutoPower - dynpower_) / 4; // slow regulation
    else
        dynpower_ = kAutoPower; // fast regulation
    const double lit = LitLevel(dynpower_);
    const double dark = kShadowLevel * kFullScale;
    const double ramp = kRampPixels * model.subdiv;

    double left = 0, right = 0;
    const ReplayRow *played = nullptr; // the recorded row this measurement shows
    if (config_.replay) {
        if (replayStart_ < 0) replayStart_ = t;
        played = &ReplayAt(*config_.replay, t - replayStart_);
        ReplayedObject(*played, units, &left, &right);
    } else {
        ObjectAt(t, &left, &right);
    }

    // Light along the line, without noise.
    auto level = [&](double x) {
        if (x <= left - ramp / 2 || x >= right + ramp / 2) return lit;
        if (x >= left + ramp / 2 && x <= right - ramp / 2) return dark;
        const double d = x < (left + right) / 2 ? (x - (left - ramp / 2)) / ramp
                                                : ((right + ramp / 2) - x) / ramp;
        return std::max(dark, lit - (lit - dark) * std::clamp(d, 0.0, 1.0));
    };

    // The video line, 256 samples over the whole line.
    std::normal_distribution<double> videoNoise(0.0, kVideoNoise);
    for (int i = 0; i < kVideoSamples; ++i) {
        const double x = (i + 0.5) * units / kVideoSamples;
        const double v = std::clamp(level(x) + videoNoise(noise_), 0.0, kFullScale - 1);
        const auto sample = static_cast<u16>(v);
        video_[i] = model.video8bit ? static_cast<u16>(sample >> 2) : sample;
    }
    haveVideo_ = true;

    // Edges: where the light crosses the threshold, inside the evaluation
    // window and on the line.
    const double thd = s[kVThd];
    const double avg = std::max<double>(1, s[kAverage]);
    std::normal_distribution<double> edgeNoise(0.0,
                                               kEdgeNoisePixels * model.subdiv / std::sqrt(avg));
    const double lo = std::max<double>(0, s[kEBeg]);
    const double hi = std::min<double>(units, s[kEEnd]);
    const double n1 = edgeNoise(noise_), n2 = edgeNoise(noise_);
    std::vector<double> edges;
    if (played) {
        // The recorded edges themselves, inside this sensor's window. They
        // are reported positions, already whole: the line's last one counts.
        const double recorded[] = {static_cast<double>(played->Ledge),
                                   static_cast<double>(played->Redge)};
        for (int k = 0; k < std::min<int>(played->edcnt, 2); ++k)
            if (recorded[k] > 0 && recorded[k] <= units && recorded[k] >= lo && recorded[k] <= hi)
                edges.push_back(recorded[k]);
    } else if (thd > dark && thd < lit) {
        const double f = (lit - thd) / (lit - dark);
        const double xl = left - ramp / 2 + ramp * f + n1;
        const double xr = right + ramp / 2 - ramp * f + n2;
        for (double x : {xl, xr})
            if (x > 0 && x < units && x >= lo && x <= hi) edges.push_back(x);
        std::sort(edges.begin(), edges.end()); // jitter never swaps left and right
    }
    auto pos = [](double x) { return static_cast<u16>(std::max(1L, std::lround(x))); };

    Measurement m;
    m.edcnt = static_cast<u16>(edges.size());
    if (edges.size() >= 1) m.Ledge = pos(edges.front());
    if (edges.size() >= 2) m.Redge = pos(edges.back());
    // The light at the two ends of the window tells on which side of a single
    // edge the shadow lies: the darker end is in the shadow.
    m.mvstart = static_cast<u16>(level(lo));
    m.mvend = static_cast<u16>(level(hi));

    const bool both = m.edcnt >= 2;
    // During a calibration the sensor measures the object's width, whatever
    // the evaluation mode.
    const u16 mode = calibrating_ ? 2 : s[kEMode];
    switch (mode) {
    case 0: m.Mvalue = m.Ledge; break;
    case 1: m.Mvalue = m.Redge; break;
    case 2: m.Mvalue = both ? static_cast<u16>(m.Redge - m.Ledge) : 0; break;
    case 3: m.Mvalue = both ? static_cast<u16>((m.Ledge + m.Redge) / 2) : 0; break;
    default: m.Mvalue = m.Ledge > s[kEBeg] ? static_cast<u16>(m.Ledge - s[kEBeg]) : 0; break;
    }

    // Micrometres from the calibration words: value x slope / m + offset.
    const double um = m.Mvalue * static_cast<double>(s[kSlope]) / SlopeMultiplier() +
                      (static_cast<double>(s[kIntersect]) - 30000.0);
    m.umValue = static_cast<std::int32_t>(std::trunc(um));

    // The analog output follows every valid value; its extremes are kept
    // until a reset.
    if (m.Mvalue != 0) {
        anaMax_ = std::max(anaMax_, m.Mvalue);
        anaMin_ = std::min(anaMin_, m.Mvalue);
    }
    m.tVal = s[kTVal];
    m.tTol = s[kTTol];
    m.dynpower = static_cast<u16>(std::lround(dynpower_));
    m.anaMax = anaMax_;
    m.anaMin = anaMin_;
    m.in0 = ++count_;
    last_ = m;
    return m;
}

} // namespace sim
