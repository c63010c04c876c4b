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

void InputState::forgetHeldKeys()
{
    for (size_t key = 0; key < sizeof keys; ++key) {
        if (keys[key]) {
            keys[key] = 0;
            previousKeys[key] = 0;
        }
    }
}

void InputState::rollOver()
{
    std::memcpy(previousKeys, keys, sizeof keys);
    previousLeftButton = leftButton;
    previousRightButton = rightButton;
}
