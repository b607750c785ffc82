#include "waits.h"

#include "platform/runtime.h"

#include <chrono>
#include <thread>

bool PumpUntil(const std::function<bool()> &done, double ceiling) {
    const double end = Timer() + ceiling * TimeFactor();
    while (!done() && Timer() < end)
        ProcessSystemEvents();
    return done();
}

bool WaitUntil(const std::function<bool()> &done, double ceiling) {
    const auto end =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(ceiling * TimeFactor());
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
}
