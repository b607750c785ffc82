// libFuzzer entry of the target named VTLX_FUZZ_TARGET: aborts with the
// reason when its check finds a fault.
#include "checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
const FuzzTarget *target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    for (int i = 0; i < FUZZ_TARGET_COUNT; i++)
        if (std::strcmp(FUZZ_TARGETS[i].name, VTLX_FUZZ_TARGET) == 0) target = &FUZZ_TARGETS[i];
    if (!target || (target->ui && !StartUserInterface())) {
        std::fprintf(stderr, "%s: no such target, or the user interface cannot start\n",
                     VTLX_FUZZ_TARGET);
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string why = target->check(data, size);
    if (!why.empty()) {
        std::fprintf(stderr, "%s: %s\n", target->name, why.c_str());
        std::abort();
    }
    return 0;
}
