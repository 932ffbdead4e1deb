// libFuzzer target: the sequencer configuration file decoder.

#include <cstdio>
#include <cstdlib>

#include "fuzzchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string problem = FuzzChecks::sequencerXml(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "sequencer XML: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
