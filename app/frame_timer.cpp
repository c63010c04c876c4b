#include "app/frame_timer.h"

#include <memory>

#include "platform/os.h"

static std::unique_ptr<FrameTimer> timer;

FrameTimer& FrameTimer::instance()
{
    if (!timer) {
        uint32_t now = os::os().tickCount();
        timer.reset(new FrameTimer{now, now, 0.0f, 0.0f});
    }
    return *timer;
}

void FrameTimer::destroy() { timer.reset(); }

static float secondsBetween(uint32_t from, uint32_t to)
{
    return float(double(int32_t(to - from)) / 1000.0);
}

void FrameTimer::advance()
{
    uint32_t now = os::os().tickCount();
    elapsed = secondsBetween(startTick, now);
    delta = secondsBetween(lastTick, now);
    lastTick = now;
}
