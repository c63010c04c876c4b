#include "platform/fake/call_log.h"

namespace fake {

std::vector<std::string> CallLog::starting(std::string_view prefix) const
{
    std::vector<std::string> out;
    for (const std::string& call : calls)
        if (call.starts_with(prefix))
            out.push_back(call);
    return out;
}

size_t CallLog::count(std::string_view prefix) const
{
    size_t n = 0;
    for (const std::string& call : calls)
        n += call.starts_with(prefix);
    return n;
}

long CallLog::find(std::string_view prefix, size_t from) const
{
    for (size_t i = from; i < calls.size(); ++i)
        if (calls[i].starts_with(prefix))
            return long(i);
    return -1;
}

CallLog& callLog()
{
    static CallLog log;
    return log;
}

} // namespace fake
