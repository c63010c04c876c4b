// The system's one way to tell the user about a failure: a modal box with the
// disk's caption and an OK button. Most boxes have no owner window.
#pragma once
#include "platform/os.h"

constexpr const char* MESSAGE_CAPTION = "Quorvatelle";

void showMessage(const char* text, os::WindowHandle owner = nullptr);

// A failed assertion: tells the user which expression failed in which module and
// ends the program.
[[noreturn]] void failAssertion(const char* expression, const char* module);
