// A gateway of sixteen lines: one vortelix-monitor per port, each on a
// sensor paced as on its line, all publishing to one broker. (Rates, CPU and
// memory of the same set-up are figures of bench_fleet.)
#include <chrono>
#include <memory>
#include <thread>

#include "monitorfixture.h"
#include "waits.h"

namespace {

constexpr int LINES = 16;
// How long the sixteen run before they are stopped: about 1600 replies a line.
constexpr auto RUN_LENGTH = std::chrono::seconds(60);

// The fixture's sensor and monitor are line 1 (COM1, test/line1); lines 2 to
// 16 are started here.
class Fleet : public Monitor {
  protected:
    void TearDown() override {
        for (std::size_t i = 0; i < others.size(); i++) {
            if (others[i].pid > 0) Stop(others[i], 10);
            if (HasFailure())
                std::cerr << "--- the standard error of line " << i + 2 << "'s monitor:\n"
                          << (others[i].err.empty() ? "" : ReadFile(others[i].err));
        }
        Monitor::TearDown();
    }

    std::vector<std::unique_ptr<SimulatedSensor>> sensors; // lines 2 to 16
    std::vector<Child> others;                             // their monitors
};

std::string Base(int line) {
    return "test/line" + std::to_string(line);
}

// A minute of sixteen lines at once: each line's measurements are its own
// sensor's run replies, every one once, in order, with its values, none lost
// to the other fifteen's traffic at the broker or on the machine.
TEST_F(Fleet, SixteenLinesForAMinute) {
    base = Base(1);
    start();
    std::vector<SimulatedSensor *> sensorOf = {&sensor};
    std::vector<Child *> monitorOf = {&child};
    others.reserve(LINES - 1);
    for (int n = 2; n <= LINES; n++) {
        // Noise of its own on every line: a monitor that published another
        // line's replies would not match its sensor's log.
        sim::Config config = PacedConfig();
        config.seed += static_cast<std::uint32_t>(n);
        sensors.push_back(std::make_unique<SimulatedSensor>(config, n, folder));
        ASSERT_TRUE(sensors.back()->ok()) << sensors.back()->error();
        others.push_back(Start(MonitorArgs(n, broker.url(), Base(n)), dir, dir));
        sensorOf.push_back(sensors.back().get());
        monitorOf.push_back(&others.back());
    }
    // The minute counts from when every line measures.
    for (int n = 1; n <= LINES; n++)
        ASSERT_TRUE(reader.waitFor(SeqAtLeast(Base(n), 1), 30 * TimeFactor())) << Base(n);
    std::this_thread::sleep_for(RUN_LENGTH);
    for (int n = 1; n <= LINES; n++) {
        SCOPED_TRACE(Base(n));
        ExpectEachReplyOnce(*monitorOf[n - 1], reader, Base(n), *sensorOf[n - 1]);
    }
}

} // namespace
