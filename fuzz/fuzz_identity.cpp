// libFuzzer entry: aborts with the reason when the check finds a fault.
#include "checks.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (!StartUserInterface()) {
        std::fprintf(stderr, "identity: the user interface cannot start\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string why = CheckIdentity(data, size);
    if (!why.empty()) {
        std::fprintf(stderr, "identity: %s\n", why.c_str());
        std::abort();
    }
    return 0;
}
