#include "app/input_state.h"

#include <cstring>
#include <memory>

static std::unique_ptr<InputState> input;

InputState& InputState::instance()
{
    if (!input)
        input.reset(new InputState{});
    return *input;
}

void InputState::destroy() { input.reset(); }

void InputState::rollOver()
{
    std::memcpy(previousKeys, keys, sizeof keys);
    previousLeftButton = leftButton;
    previousRightButton = rightButton;
}
