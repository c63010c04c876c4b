#include "gui/button.h"

#include "app/input_state.h"
#include "app/render_device.h"
#include "gui/sprite_batch.h"

int32_t hotWidget = 0;
int32_t activeWidget = 0;

constexpr float BUTTON_DEPTH = 0.1f;

bool doButton(int32_t id, gpu::Texture* texture, ScreenPoint position, ScreenPoint size, const ButtonLook& look,
              Colour colour)
{
    const InputState& input = InputState::instance();
    const ScreenPoint box = {size.x, size.y * RenderDevice::instance().aspect()};
    const bool inside =
        pointInRect(mouseToScreen(float(input.mouseX), float(input.mouseY)), position, box);

    // A button only becomes hot while the left button is up, so a press that starts
    // elsewhere never picks up a button it is dragged onto.
    if (!input.leftButton && inside)
        hotWidget = id;
    if (hotWidget == id) {
        if (!inside)
            hotWidget = 0;
        else if (input.leftButton)
            activeWidget = id;
    }

    const float* rect = activeWidget == id ? look.active : hotWidget == id ? look.hot : look.normal;
    if (spriteBatch)
        spriteBatch->submit(DrawItem{colour.r, colour.g, colour.b, colour.a, rect[0], rect[1], rect[2], rect[3],
                                     position.x, position.y, box.x, box.y, texture, BUTTON_DEPTH});

    // Released over the button it was pressed on: the click. Released elsewhere, the
    // button stays active (and keeps its active look) until clicked again.
    if (activeWidget == id && !input.leftButton && input.previousLeftButton && inside) {
        activeWidget = 0;
        hotWidget = 0;
        return true;
    }
    return false;
}
