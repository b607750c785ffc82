// Writes a recording of a day in the recorder's own row format: 26 replies a
// second for 24 hours from 2026-12-08 00:00 (+01:00), 2 246 400 rows less
// those lost below, about 230 MB.
//
//   the object   width about 2400 sub-pixels: a slow drift of +-12 over the
//                day, a ripple of +-6 every ten minutes, noise of +-8, and a
//                piece 150 sub-pixels too wide every 7919th reply;
//   the limits   set-point 2400, tolerance 25; a teach at 12:00 moves the
//                set-point to 2405;
//   the gaps     the line stopped 03:00 to 03:05 (no rows, numbering goes
//                on), 60 replies lost at 15:00 (the number jumps), one
//                damaged row at 18:00.
//
// Usage: make_recording FILE [hours]   (default 24)
#include "recording/recorder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_recording FILE [hours]\n");
        return 2;
    }
    const double hours = argc > 2 ? std::atof(argv[2]) : 24.0;
    std::FILE *f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
    std::fprintf(f, "%s\r\n", RecordingHeader());
    const long total = static_cast<long>(hours * 3600 * 26);
    unsigned noise = 12345;
    long written = 0;
    for (long i = 0; i < total; i++) {
        const double t = static_cast<double>(i) / 26.0;
        if (t >= 3 * 3600 && t < 3 * 3600 + 300) continue;              // the line stopped
        if (i >= 15L * 3600 * 26 && i < 15L * 3600 * 26 + 60) continue; // lost replies
        noise = noise * 1103515245u + 12345u;
        const int wobble = static_cast<int>((noise >> 16) % 17) - 8;
        const double drift = 12 * std::sin(2 * M_PI * t / 86400) + 6 * std::sin(2 * M_PI * t / 600);
        int width = 2400 + static_cast<int>(std::lround(drift)) + wobble;
        if (i % 7919 == 0) width += 150;
        const u16 ledge = static_cast<u16>(3000 - width / 2),
                  redge = static_cast<u16>(ledge + width);
        const int um = width * 25 / 8;
        const long ms = std::lround(t * 1000);
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "2026-12-08T%02ld:%02ld:%02ld.%03ld+01:00", ms / 3600000,
                      ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        const auto value = static_cast<u16>(width),
                   setPoint = static_cast<u16>(t < 43200 ? 2400 : 2405);
        const RunReply values = {ledge, redge, value, um, setPoint,           25, 2, 310,
                                 290,   128,   1000,  0,  static_cast<u16>(i)};
        const RecordingRow row = {stamp, t, i + 1, values, 1};
        char text[256];
        const int n = FormatRecordingRow(row, text, sizeof text);
        if (i == 18L * 3600 * 26)
            std::fputs("2026-12-08T18:00:00.000+01:00,64800.000,\r\n", f);
        else
            std::fwrite(text, 1, static_cast<std::size_t>(n), f);
        written++;
    }
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%s: %ld rows\n", argv[1], written);
    return 0;
}
