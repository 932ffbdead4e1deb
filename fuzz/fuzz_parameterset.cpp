// libFuzzer target: the camera parameter (.ini) file parser.

#include <cstdio>
#include <cstdlib>

#include "fuzzchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string problem = FuzzChecks::parameterSet(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "parameter set: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
