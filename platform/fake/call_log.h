// call_log: the one ordered record of every call the fakes receive.
//
// Each entry is "service.call arguments", e.g. "os.sleep 19" or
// "gpu.drawIndexedPrimitive 4 0 0 400 0 2". All fakes write to the same log, so a
// test sees the order of calls across services.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fake {

struct CallLog {
    std::vector<std::string> calls;

    void add(std::string call) { calls.push_back(std::move(call)); }
    void clear() { calls.clear(); }
    // The entries that start with prefix, in order.
    std::vector<std::string> starting(std::string_view prefix) const;
    // How many entries start with prefix.
    size_t count(std::string_view prefix) const;
    // Index of the first entry at or after from that starts with prefix, or -1.
    long find(std::string_view prefix, size_t from = 0) const;
};

CallLog& callLog();

} // namespace fake
