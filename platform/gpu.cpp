#include "platform/gpu.h"

#include <cstdio>
#include <cstdlib>

namespace gpu {

static Gpu* installed = nullptr;

Gpu& gpu()
{
    if (!installed) {
        std::fputs("gpu: no gpu service installed\n", stderr);
        std::abort();
    }
    return *installed;
}

void installGpu(Gpu* instance) { installed = instance; }

} // namespace gpu
