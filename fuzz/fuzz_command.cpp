// libFuzzer entry: aborts with the reason when the check finds a fault.
#include "checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string why = CheckCommand(data, size);
    if (!why.empty()) {
        std::fprintf(stderr, "command: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
