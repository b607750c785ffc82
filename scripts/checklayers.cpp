// Guards the layering of src/: Qt and QCustomPlot are used only inside
// src/platform/; units (a header and its source file) include each other
// without cycles; folders depend on each other one way only; and command
// codes are defined in com232/protocol.h alone. Prints every offending
// include, cycle, two-way folder pair and code definition, naming them, and
// exits 1 when there is one; prints a one-line summary and exits 0 otherwise.
// With --graph it also prints the folder graph: who includes whom, two-way
// pairs, lines per folder and the longest file.
//
//   checklayers SRC_DIR [--graph]
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

// The folder of a file or unit path relative to SRC_DIR: its first part, or
// its first two inside the platform (run-time and window services differ).
std::string FolderOf(const fs::path &relative) {
    auto part = relative.begin();
    std::string folder = part->string();
    if (folder == "platform" && std::next(part) != relative.end() &&
        std::next(std::next(part)) != relative.end())
        folder += "/" + std::next(part)->string();
    return folder;
}

// Where command codes may be defined.
const char PROTOCOL_HEADER[] = "com232/protocol.h";

} // namespace

int main(int argc, char **argv) {
    const bool graph = argc == 3 && std::string(argv[2]) == "--graph";
    if (argc != 2 && !graph) {
        std::cerr << "usage: checklayers SRC_DIR [--graph]\n";
        return 2;
    }
    const fs::path root = argv[1];
    const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::map<std::string, std::set<std::string>> uses; // unit -> units it includes
    // folder -> folder it includes -> the first include that does, as file:line
    std::map<std::string, std::map<std::string, std::string>> folderUses;
    std::map<std::string, long> folderLines;
    std::pair<long, std::string> longest{0, ""};
    // A command code defined by name: NAME_CODE, CODE_NAME or CODE.
    const std::regex codeDefinition(
        R"(^\s*(#\s*define\s+|(static\s+|inline\s+)*(constexpr|const)\s+[\w:]+\s+)(\w*_CODE\w*|CODE_\w+|CODE)\b)");
    int faults = 0, files = 0;

    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        const fs::path &path = entry.path();
        if (!entry.is_regular_file() || (path.extension() != ".h" && path.extension() != ".cpp"))
            continue;
        ++files;
        const fs::path relative = fs::relative(path, root);
        const std::string unit = (relative.parent_path() / relative.stem()).generic_string();
        const bool platform = relative.begin()->string() == "platform";
        const std::string folder = FolderOf(relative);
        uses[unit];
        folderUses[folder];
        std::ifstream in(path);
        std::string line;
        int number = 1;
        for (; std::getline(in, line); ++number) {
            std::smatch m;
            if (std::regex_search(line, m, codeDefinition) &&
                relative.generic_string() != PROTOCOL_HEADER) {
                std::cout << "layering: " << relative.generic_string() << ":" << number
                          << " defines the command code " << m[4] << ", which only "
                          << PROTOCOL_HEADER << " may define\n";
                ++faults;
            }
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
                const std::string usedFolder = FolderOf(target);
                if (usedFolder != folder && !folderUses[folder].count(usedFolder))
                    folderUses[folder][usedFolder] =
                        relative.generic_string() + ":" + std::to_string(number);
            }
        }
        folderLines[folder] += number - 1;
        longest = std::max(longest, {long(number - 1), relative.generic_string()});
    }

    // Folders that include each other, each pair once, with an include of
    // either way.
    int twoWay = 0;
    for (const auto &[a, usedByA] : folderUses)
        for (const auto &[b, where] : usedByA) {
            if (a >= b || !folderUses[b].count(a)) continue;
            std::cout << "layering: folders depend on each other both ways: " << a << " <-> " << b
                      << "\n    " << a << " -> " << b << " (" << where << ")\n    " << b << " -> "
                      << a << " (" << folderUses[b][a] << ")\n";
            ++twoWay;
            ++faults;
        }
    if (graph) {
        std::cout << "folder graph of " << root.generic_string() << ":\n";
        for (const auto &[a, usedByA] : folderUses) {
            std::cout << "  " << a << " (" << folderLines[a] << " lines) ->";
            for (const auto &[b, where] : usedByA)
                std::cout << " " << b;
            std::cout << "\n";
        }
        std::cout << "two-way folder pairs: " << twoWay << "\nlongest file: " << longest.second
                  << " (" << longest.first << " lines)\n";
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
              << " units: no Qt outside src/platform/, no include cycle, folders one-way, "
                 "command codes only in "
              << PROTOCOL_HEADER << "\n";
    return 0;
}
