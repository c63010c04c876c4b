#include "app/message_box.h"

#include <cstdio>
#include <cstdlib>
#include <string>

void showMessage(const char* text, os::WindowHandle owner)
{
    os::os().messageBox(owner, text, MESSAGE_CAPTION, os::MB_OK);
}

void failAssertion(const char* expression, const char* module)
{
    std::string text = std::string("Assertion failed!\n\nModule: ") + module + "\nExpression: " + expression;
    std::fprintf(stderr, "%s\n", text.c_str());
    os::os().messageBox(nullptr, text.c_str(), MESSAGE_CAPTION, os::MB_OK);
    std::abort();
}
