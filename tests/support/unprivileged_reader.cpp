#include "tests/support/unprivileged_reader.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr unsigned FILE_OVERRIDES = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capability sets (pid 0 = this thread). Both capabilities
// sit in the first of the two 32-bit words of version 3.
bool readCaps(__user_cap_data_struct data[2])
{
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capget, &header, data) == 0;
}

bool writeCaps(__user_cap_data_struct data[2])
{
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

UnprivilegedReader::UnprivilegedReader()
{
    __user_cap_data_struct data[2] = {};
    if (!readCaps(data))
        return;
    savedEffective = data[0].effective & FILE_OVERRIDES;
    data[0].effective &= ~FILE_OVERRIDES;
    dropped = writeCaps(data);
}

UnprivilegedReader::~UnprivilegedReader()
{
    __user_cap_data_struct data[2] = {};
    if (!dropped || !readCaps(data))
        return;
    data[0].effective |= savedEffective;
    writeCaps(data);
}
