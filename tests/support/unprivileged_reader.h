// unprivileged_reader: lets a test running as root see file permissions.
//
// Root reads any file whatever its mode, through the capabilities
// CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH. While an UnprivilegedReader lives,
// the thread that made it has both taken out of its effective set (they stay
// permitted and come back when it is destroyed), so a file of mode 0 cannot be
// opened by that thread, as for any other user. Capabilities belong to a thread:
// files must be opened on the thread that holds the reader.
#pragma once

class UnprivilegedReader {
public:
    UnprivilegedReader();
    ~UnprivilegedReader();
    UnprivilegedReader(const UnprivilegedReader&) = delete;
    UnprivilegedReader& operator=(const UnprivilegedReader&) = delete;

    // False if the override could not be taken away (then a test should skip).
    bool active() const { return dropped; }

private:
    bool dropped = false;
    unsigned savedEffective = 0;
};
