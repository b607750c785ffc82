// Time stamps of rows and of recording names under pinned time zones: the
// text is the wall clock of that zone, its offset written out, +00:00 too.
#include "platform/ticker.h"
#include "recording/recorder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// The zone for the life of the object; the one before comes back after.
class PinnedZone {
  public:
    explicit PinnedZone(const char *tz) {
        if (const char *old = std::getenv("TZ")) old_ = old, had_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~PinnedZone() {
        had_ ? setenv("TZ", old_.c_str(), 1) : unsetenv("TZ");
        tzset();
    }

  private:
    std::string old_;
    bool had_ = false;
};

// UTC plus offset minutes in the strftime format.
std::string Shifted(std::time_t utc, int offsetMinutes, const char *format) {
    const std::time_t t = utc + offsetMinutes * 60;
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, format, &parts);
    return text;
}

TEST(Stamps, FollowThePinnedZone) {
    const struct {
        const char *tz;
        int minutes; // east of UTC
        const char *suffix;
    } zones[] = {
        {"UTC0", 0, "+00:00"}, {"<-03>3", -180, "-03:00"}, {"<+0530>-5:30", 330, "+05:30"}};
    for (const auto &z : zones) {
        SCOPED_TRACE(z.tz);
        PinnedZone zone(z.tz);
        // A second may turn between the looks: the stamp is one of the two.
        const std::time_t before = std::time(nullptr);
        char iso[40], name[24], file[64];
        const int n = LocalTimeISO(iso, sizeof iso);
        LocalTimeForName(name, sizeof name);
        DefaultRecordingName(file, sizeof file);
        const std::time_t after = std::time(nullptr);

        ASSERT_EQ(n, 29) << iso;
        const std::string text(iso);
        EXPECT_EQ(text.substr(23), z.suffix);
        EXPECT_EQ(text[19], '.');
        for (const auto &[got, format] : {std::pair{text.substr(0, 19), "%Y-%m-%dT%H:%M:%S"},
                                          std::pair{std::string(name), "%Y%m%d-%H%M%S"}})
            EXPECT_TRUE(got == Shifted(before, z.minutes, format) ||
                        got == Shifted(after, z.minutes, format))
                << got << " at " << Shifted(before, 0, format) << " UTC";
        EXPECT_EQ(std::string(file).substr(0, 8), "VTLXrun-");
        EXPECT_EQ(std::string(file).size(), 8 + 15 + 4u) << file;
        EXPECT_EQ(std::string(file).substr(8, 15), name) << "the same clock as the name";
        EXPECT_EQ(std::string(file).substr(23), ".csv");
    }
}

} // namespace
