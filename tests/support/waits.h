// Waits of the tests: each on its condition, with a ceiling that only a hang
// reaches, so that a slow or loaded machine changes the time a test takes,
// never its verdict.
#pragma once

#include <cstdlib>
#include <functional>

// Seconds after which a wait gives up: nothing a test waits for takes that
// long unless it hangs.
inline constexpr double kHangCeiling = 10.0;

// How much slower than a plain build this run may be: VTLX_TIME_FACTOR from
// the environment (the sanitizer run raises it), at least 1. Every time bound
// a test keeps is multiplied by it.
inline double TimeFactor() {
    const char *text = std::getenv("VTLX_TIME_FACTOR");
    const double factor = text ? std::atof(text) : 1.0;
    return factor > 1.0 ? factor : 1.0;
}

// Pumps events until done() holds or ceiling * TimeFactor() seconds have
// passed; what done() says at the end.
bool PumpUntil(const std::function<bool()> &done, double ceiling = kHangCeiling);

// The same without pumping, looking every millisecond (for what other
// threads or processes do).
bool WaitUntil(const std::function<bool()> &done, double ceiling = kHangCeiling);
