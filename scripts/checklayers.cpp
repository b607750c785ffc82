// Guards the layering of src/: Qt and QCustomPlot are used only inside
// src/platform/, and units (a header and its source file) include each other
// without cycles. Prints every offending include and every cycle, naming the
// units, and exits 1 when there is one; prints a one-line summary and exits 0
// otherwise.
//
//   checklayers SRC_DIR
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A header of the Qt or QCustomPlot libraries, by the name it is included as.
bool ForeignGuiHeader(const std::string &name) {
    static const std::regex qt(R"(^(Qt[A-Za-z]*/)?Q[A-Z][A-Za-z]*(\.h)?$|^q[a-z]+\.h$)");
    return std::regex_match(name, qt) || name.rfind("qcustomplot", 0) == 0;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: checklayers SRC_DIR\n";
        return 2;
    }
    const fs::path root = argv[1];
    const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::map<std::string, std::set<std::string>> uses; // unit -> units it includes
    int faults = 0, files = 0;

    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const fs::path &path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp"))
            continue;
        ++files;
        const fs::path relative = fs::relative(path, root);
        const std::string unit = (relative.parent_path() / relative.stem()).generic_string();
        const bool platform = relative.begin()->string() == "platform";
        uses[unit];
        std::ifstream in(path);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (!std::regex_search(line, m, include)) continue;
            const std::string name = m[2];
            if (!platform && ForeignGuiHeader(name)) {
                std::cout << "layering: " << relative.generic_string() << ":" << number
                          << " includes <" << name << ">, which only src/platform/ may use\n";
                ++faults;
            }
            if (m[1] == "\"" && fs::path(name).extension() == ".h" && fs::exists(root / name)) {
                const fs::path target = fs::path(name);
                const std::string used = (target.parent_path() / target.stem()).generic_string();
                if (used != unit) uses[unit].insert(used);
            }
        }
    }

    // Strongly connected components (Tarjan): each with more than one unit
    // is a cycle.
    std::map<std::string, int> index, low;
    std::vector<std::string> stack;
    std::set<std::string> onStack;
    int counter = 0;
    std::vector<std::vector<std::string>> cycles;
    std::function<void(const std::string &)> visit = [&](const std::string &u) {
        index[u] = low[u] = counter++;
        stack.push_back(u);
        onStack.insert(u);
        for (const std::string &v : uses[u]) {
            if (!index.count(v)) {
                visit(v);
                low[u] = std::min(low[u], low[v]);
            } else if (onStack.count(v)) {
                low[u] = std::min(low[u], index[v]);
            }
        }
        if (low[u] != index[u]) return;
        std::vector<std::string> component;
        std::string v;
        do {
            v = stack.back();
            stack.pop_back();
            onStack.erase(v);
            component.push_back(v);
        } while (v != u);
        if (component.size() > 1) cycles.push_back(component);
    };
    std::vector<std::string> units;
    for (const auto &[u, used] : uses)
        units.push_back(u);
    for (const std::string &u : units)
        if (!index.count(u)) visit(u);

    for (auto &cycle : cycles) {
        std::sort(cycle.begin(), cycle.end());
        std::cout << "layering: include cycle between units:";
        for (const std::string &u : cycle)
            std::cout << " " << u;
        std::cout << "\n";
        // One include of each unit of the cycle that stays inside it.
        for (const std::string &u : cycle)
            for (const std::string &v : uses[u])
                if (std::find(cycle.begin(), cycle.end(), v) != cycle.end())
                    std::cout << "    " << u << " -> " << v << "\n";
        ++faults;
    }
    if (faults) return 1;
    std::cout << "layering: " << files << " files, " << units.size()
              << " units: no Qt outside src/platform/, no include cycle\n";
    return 0;
}
