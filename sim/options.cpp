// Command line of vortelix-sensorsim.
#include "options.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

// A whole decimal number within [lo, hi].
bool Number(const std::string &s, long lo, long hi, long *out) {
    if (s.empty()) return false;
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool Real(const std::string &s, double lo, double hi, double *out) {
    if (s.empty()) return false;
    char *end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (*end != '\0' || !(v >= lo && v <= hi)) return false;
    *out = v;
    return true;
}

} // namespace

bool ParseDelivery(const std::string &text, Config *config) {
    long ms = kUsbLatencyMs;
    if (text == "uart") {
        config->delivery = Delivery::kUart;
    } else if (text == "whole") {
        config->delivery = Delivery::kWhole;
    } else if (text == "usb" ||
               (text.rfind("usb:", 0) == 0 && Number(text.substr(4), 1, 255, &ms))) {
        config->delivery = Delivery::kUsb;
        config->usbLatencyMs = static_cast<int>(ms);
    } else {
        return false;
    }
    return true;
}

std::string DeliveryName(const Config &config) {
    switch (config.delivery) {
    case Delivery::kUart: return "uart";
    case Delivery::kWhole: return "whole";
    case Delivery::kUsb: break;
    }
    return "usb:" + std::to_string(config.usbLatencyMs);
}

std::string Usage() {
    return "Usage: vortelix-sensorsim [OPTION]...\n"
           "Plays a VORTELIX CCD-line sensor on a pseudo-terminal (19200 baud, 8N1).\n"
           "Prints one line \"vortelix-sensorsim: <port> -> <device>\" when ready; runs until\n"
           "SIGINT or SIGTERM and removes its link when it ends.\n"
           "\n"
           "Line:\n"
           "  --com N             link the line as comN in the per-user port folder\n"
           "                      ($XDG_RUNTIME_DIR/vortelix-ports or /tmp/vortelix-ports-UID)\n"
           "  --link PATH         link the line at PATH instead\n"
           "  --instant           answer at once instead of at the pace of 19200 baud\n"
           "  --delivery MODE     how the sensor's bytes reach the PC (default uart):\n"
           "                      uart     byte by byte at line speed, 1920 bytes/s\n"
           "                      whole    each answer in one piece, once its last byte\n"
           "                               is complete on the line\n"
           "                      usb[:N]  as a USB serial adapter passes them on: packets\n"
           "                               of up to 62 bytes, each leaving when 62 have\n"
           "                               gathered or N ms (latency timer, 1..255,\n"
           "                               default 16) after its first byte came\n"
           "  --log FILE          write every frame, answer and junk byte as JSON lines\n"
           "\n"
           "Sensor:\n"
           "  --model NAME        sensor model (default t1); --list-models shows them\n"
           "  --pcb N             board type 0, 100 or 400 (default: the model's)\n"
           "  --softversion N     firmware version word (default 214; 220 gives 8-bit video\n"
           "                      on the CCDs that have it)\n"
           "  --id NAME=VALUE     report VALUE for identity word NAME (ccdtype, ccdmaxpixel,\n"
           "                      ccdresolution, pcbtype, ccdmaxpixelX8, ccdsubpixel, ccdpixB,\n"
           "                      ccdpixE, softversion); may be repeated\n"
           "  --firmware TEXT     firmware text (default built from the version)\n"
           "  --eeprom FILE       keep the EEPROM in FILE (16 lines, the parameter-file\n"
           "                      layout); created with the factory settings if missing\n"
           "  --replay FILE       the object follows the edges of a run the program\n"
           "                      recorded (CSV); the recording's measured values come\n"
           "                      back with its evaluation mode and window\n"
           "  --period SECONDS    one sweep of the object along the line (default 60;\n"
           "                      0 holds it still in the middle)\n"
           "  --seed N            noise generator seed (default 1996)\n"
           "\n"
           "Faults:\n"
           "  --silent            never answer\n"
           "  --silent-after N    answer N frames, then nothing\n"
           "  --ignore CODES      never answer these command codes (comma list)\n"
           "  --wrong-sync        begin reply frames with 0x00AB instead of 0x00AA\n"
           "  --short-reply N[:LEN]  cut answer N (1 = first) to LEN bytes (default 30)\n"
           "  --junk N            send N junk bytes before every answer\n"
           "  --extra N           send N stray bytes after every answer\n"
           "  --delay MS          wait MS milliseconds more before every answer\n"
           "  --hangup-after N    drop the line after answering N frames, as a pulled cable\n"
           "  --burst-after N[:LEN]  send LEN junk bytes (default 8) right after answer N\n"
           "  --cut N:K           send K bytes of answer N, then drop the line\n"
           "\n"
           "  --list-models       list the sensor models\n"
           "  --help              show this text\n";
}

std::string ModelList() {
    std::ostringstream s;
    for (const ModelPreset &p : Presets()) {
        const Model m = MakeModel(p);
        s << p.name << std::string(10 - std::string(p.name).size(), ' ') << "ccdtype " << p.ccdtype
          << ", pcbtype " << p.pcbtype << ", " << p.description << " (positions 0.."
          << m.id.ccdmaxpixelX8 << ")\n";
    }
    return s.str();
}

bool ParseOptions(const std::vector<std::string> &args, Options *o, std::string *error) {
    std::string model = "t1";
    long pcb = -1, soft = -1;
    std::vector<std::pair<std::string, u16>> ids;
    Faults &f = o->config.faults;
    bool delivery = false; // --delivery given

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        auto value = [&](std::string *v) {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return false;
            }
            *v = args[++i];
            return true;
        };
        auto bad = [&](const std::string &v, const char *what) {
            *error = "bad value '" + v + "' for " + a + ": " + what;
            return false;
        };
        std::string v;
        long n = 0;
        if (a == "--help" || a == "-h") {
            o->help = true;
        } else if (a == "--list-models") {
            o->listModels = true;
        } else if (a == "--instant") {
            o->config.instant = true;
        } else if (a == "--delivery") {
            if (!value(&v)) return false;
            if (!ParseDelivery(v, &o->config))
                return bad(v, "uart, whole, usb or usb:N (N 1..255)");
            delivery = true;
        } else if (a == "--silent") {
            f.silent = true;
        } else if (a == "--wrong-sync") {
            f.wrongSync = true;
        } else if (a == "--com") {
            if (!value(&v)) return false;
            if (!Number(v, 1, 255, &n)) return bad(v, "a port number 1 to 255");
            o->com = static_cast<int>(n);
        } else if (a == "--link") {
            if (!value(&o->link)) return false;
            if (o->link.empty()) return bad(o->link, "a path");
        } else if (a == "--log") {
            if (!value(&o->log)) return false;
        } else if (a == "--eeprom") {
            if (!value(&o->config.eepromFile)) return false;
        } else if (a == "--firmware") {
            if (!value(&o->config.firmware)) return false;
            if (o->config.firmware.size() > 71)
                return bad(o->config.firmware, "at most 71 characters");
        } else if (a == "--model") {
            if (!value(&model)) return false;
            if (!FindPreset(model)) return bad(model, "see --list-models");
        } else if (a == "--pcb") {
            if (!value(&v)) return false;
            if (!Number(v, 0, 400, &pcb) || (pcb != 0 && pcb != 100 && pcb != 400))
                return bad(v, "0, 100 or 400");
        } else if (a == "--softversion") {
            if (!value(&v)) return false;
            if (!Number(v, 0, 65535, &soft)) return bad(v, "0 to 65535");
        } else if (a == "--id") {
            if (!value(&v)) return false;
            const auto eq = v.find('=');
            if (eq == std::string::npos || !Number(v.substr(eq + 1), 0, 65535, &n))
                return bad(v, "NAME=VALUE with VALUE 0 to 65535");
            Model probe;
            if (!OverrideIdentity(probe, v.substr(0, eq), 0)) return bad(v, "unknown word name");
            ids.emplace_back(v.substr(0, eq), static_cast<u16>(n));
        } else if (a == "--replay") {
            if (!value(&v)) return false;
            std::string why;
            if (!LoadReplay(v, &o->config.replay, &why)) return bad(v, why.c_str());
        } else if (a == "--period") {
            if (!value(&v)) return false;
            if (!Real(v, 0, 1e6, &o->config.period)) return bad(v, "seconds, 0 or more");
        } else if (a == "--seed") {
            if (!value(&v)) return false;
            if (!Number(v, 0, 4294967295L, &n)) return bad(v, "0 to 4294967295");
            o->config.seed = static_cast<std::uint32_t>(n);
        } else if (a == "--silent-after" || a == "--hangup-after") {
            if (!value(&v)) return false;
            if (!Number(v, 0, 1L << 40, &n)) return bad(v, "a frame count");
            (a == "--silent-after" ? f.silentAfter : f.hangupAfter) = n;
        } else if (a == "--ignore") {
            if (!value(&v)) return false;
            std::stringstream s(v);
            std::string item;
            while (std::getline(s, item, ',')) {
                if (!Number(item, kFirstCode, kLastCode, &n)) return bad(v, "codes 1 to 12");
                f.ignore.insert(static_cast<int>(n));
            }
        } else if (a == "--burst-after" || a == "--cut") {
            if (!value(&v)) return false;
            const auto colon = v.find(':');
            const bool cut = a == "--cut";
            long k = cut ? -1 : f.burstLen;
            if (!Number(v.substr(0, colon), 1, 1L << 40, &n) ||
                (colon != std::string::npos && !Number(v.substr(colon + 1), 0, 4096, &k)) || k < 0)
                return bad(v, cut ? "N:K" : "N or N:LEN");
            (cut ? f.cutAnswer : f.burstAfter) = n;
            (cut ? f.cutByte : f.burstLen) = static_cast<int>(k);
        } else if (a == "--short-reply") {
            if (!value(&v)) return false;
            const auto colon = v.find(':');
            long len = f.shortLen;
            if (!Number(v.substr(0, colon), 1, 1L << 40, &n) ||
                (colon != std::string::npos && !Number(v.substr(colon + 1), 0, 511, &len)))
                return bad(v, "N or N:LEN");
            f.shortReply = n;
            f.shortLen = static_cast<int>(len);
        } else if (a == "--junk" || a == "--extra") {
            if (!value(&v)) return false;
            if (!Number(v, 0, 4096, &n)) return bad(v, "0 to 4096 bytes");
            (a == "--junk" ? f.junkBefore : f.extraAfter) = static_cast<int>(n);
        } else if (a == "--delay") {
            double ms = 0;
            if (!value(&v)) return false;
            if (!Real(v, 0, 600000, &ms)) return bad(v, "milliseconds, 0 or more");
            f.delay = ms / 1000.0;
        } else {
            *error = "unknown option " + a + " (see --help)";
            return false;
        }
    }
    if (o->com && !o->link.empty()) {
        *error = "--com and --link exclude each other";
        return false;
    }
    if (delivery && o->config.instant) {
        *error = "--instant and --delivery exclude each other";
        return false;
    }
    o->config.model = MakeModel(*FindPreset(model), static_cast<int>(pcb), static_cast<int>(soft));
    for (const auto &[name, word] : ids)
        OverrideIdentity(o->config.model, name, word);
    return true;
}

} // namespace sim
