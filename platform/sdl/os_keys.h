// os_keys: the Win32 virtual-key code (os::VK_*) of an SDL key.
//
// Letters follow the keyboard layout (the key's symbol, falling back to its
// position on layouts without Latin letters); every other key, digits included,
// is named by its position, as Win32 names the keys of a US keyboard.
#pragma once
#include <SDL2/SDL_keyboard.h>

#include <cstdint>

namespace os {

// 0 for a key that has no virtual-key code.
uint32_t sdlVirtualKey(const SDL_Keysym& key);

// The WM_APPCOMMAND command of a media key (play/pause, stop, next, previous);
// 0 for any other key.
int sdlAppCommand(const SDL_Keysym& key);

} // namespace os
