#include "platform/os.h"

#include <cstdio>
#include <cstdlib>

namespace os {

static Os* installed = nullptr;

Os& os()
{
    if (!installed) {
        std::fputs("os: no os service installed\n", stderr);
        std::abort();
    }
    return *installed;
}

void installOs(Os* instance) { installed = instance; }

} // namespace os
