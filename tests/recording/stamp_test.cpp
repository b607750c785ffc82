// Time stamps of rows and of recording names under pinned time zones: the
// text is the wall clock of that zone, its offset written out, +00:00 too.
#include "platform/ticker.h"
#include "recording/recorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

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
    const char *old = std::getenv("TZ");
    const std::string kept = old ? old : "";
    for (const auto &z : zones) {
        SCOPED_TRACE(z.tz);
        setenv("TZ", z.tz, 1);
        tzset();
        // A second may turn between the looks: the stamp is one of the two.
        const std::time_t before = std::time(nullptr);
        char iso[40], name[24], file[64];
        ASSERT_EQ(LocalTimeISO(iso, sizeof iso), 29) << iso;
        LocalTimeForName(name, sizeof name);
        DefaultRecordingName(file, sizeof file);
        const std::time_t after = std::time(nullptr);
        const std::string text(iso);
        EXPECT_EQ(text.substr(19, 1) + text.substr(23), std::string(".") + z.suffix);
        const std::string recording(file);
        EXPECT_EQ(recording.substr(0, 8) + recording.substr(23), "VTLXrun-.csv") << file;
        for (const auto &[got, format] : {std::pair{text.substr(0, 19), "%Y-%m-%dT%H:%M:%S"},
                                          std::pair{std::string(name), "%Y%m%d-%H%M%S"},
                                          std::pair{recording.substr(8, 15), "%Y%m%d-%H%M%S"}})
            EXPECT_TRUE(got == Shifted(before, z.minutes, format) ||
                        got == Shifted(after, z.minutes, format))
                << got << " at " << Shifted(before, 0, format) << " UTC";
    }
    old ? setenv("TZ", kept.c_str(), 1) : unsetenv("TZ");
    tzset();
}

} // namespace
