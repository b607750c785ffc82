// Reading a recorded run and finding its row for a moment.
#include "replay.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace sim {

namespace {

// The fields of one CSV line. Recordings quote nothing, but a quoted field
// (RFC 4180) is read all the same.
std::vector<std::string> Fields(const std::string &line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                out.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            out.emplace_back();
        } else if (c != '\r') {
            out.back() += c;
        }
    }
    return out;
}

// A column's name without its unit: "Ledge [sub-pixel]" is "Ledge".
std::string Bare(const std::string &name) {
    const auto bracket = name.find(" [");
    return bracket == std::string::npos ? name : name.substr(0, bracket);
}

} // namespace

bool LoadReplay(const std::string &path, std::shared_ptr<const Replay> *replay,
                std::string *error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::string line;
    if (!std::getline(in, line)) {
        *error = path + ": empty file";
        return false;
    }
    const std::vector<std::string> header = Fields(line);
    const char *const names[] = {"seconds", "Ledge", "Redge", "edcnt", "mvstart", "mvend"};
    std::size_t column[6];
    for (int k = 0; k < 6; ++k) {
        const auto at = std::find_if(header.begin(), header.end(),
                                     [&](const std::string &h) { return Bare(h) == names[k]; });
        if (at == header.end()) {
            *error = path + ": no column " + names[k] + " in the header";
            return false;
        }
        column[k] = static_cast<std::size_t>(at - header.begin());
    }
    auto result = std::make_shared<Replay>();
    for (long number = 2; std::getline(in, line); ++number) {
        if (line.empty() || line == "\r") continue;
        const std::vector<std::string> f = Fields(line);
        double v[6];
        for (int k = 0; k < 6; ++k) {
            const std::string &text = column[k] < f.size() ? f[column[k]] : std::string();
            char *end = nullptr;
            v[k] = std::strtod(text.c_str(), &end);
            const bool word = k == 0 || (v[k] >= 0 && v[k] <= 65535 && v[k] == std::floor(v[k]));
            if (text.empty() || *end != '\0' || !word || !std::isfinite(v[k])) {
                *error =
                    path + ":" + std::to_string(number) + ": bad " + names[k] + " '" + text + "'";
                return false;
            }
        }
        ReplayRow r;
        r.seconds = v[0];
        r.Ledge = static_cast<u16>(v[1]);
        r.Redge = static_cast<u16>(v[2]);
        r.edcnt = static_cast<u16>(v[3]);
        r.mvstart = static_cast<u16>(v[4]);
        r.mvend = static_cast<u16>(v[5]);
        if (!result->rows.empty() && r.seconds < result->rows.back().seconds) {
            *error = path + ":" + std::to_string(number) + ": time runs backwards";
            return false;
        }
        result->rows.push_back(r);
    }
    if (result->rows.empty()) {
        *error = path + ": no rows";
        return false;
    }
    // It starts over one mean row interval after its last row.
    const auto &rows = result->rows;
    const double span = rows.back().seconds - rows.front().seconds;
    result->length = span > 0 ? span + span / static_cast<double>(rows.size() - 1) : 1.0;
    *replay = std::move(result);
    return true;
}

const ReplayRow &ReplayAt(const Replay &replay, double elapsed) {
    const auto &rows = replay.rows;
    const double at = rows.front().seconds + std::fmod(std::max(0.0, elapsed), replay.length);
    // The last row whose time has come.
    auto next = std::upper_bound(rows.begin(), rows.end(), at,
                                 [](double t, const ReplayRow &r) { return t < r.seconds; });
    return next == rows.begin() ? rows.front() : *(next - 1);
}

} // namespace sim
