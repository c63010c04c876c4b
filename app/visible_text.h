// visible_text: text from outside the program (a path, a command-line argument, a
// line of a disk's file) as a message shows it, so that whatever it holds a message
// stays one readable line.
//
// Printable characters and well-formed UTF-8 stay as they are; tab, carriage return
// and line feed read \t, \r and \n; other control characters (C0, DEL, C1) and
// bytes that are not UTF-8 read \xHH, one per byte.
//
//   visibleText("a\nb\xFF")      a\nb\xFF, on one line
//   visibleText(line, 60)        cut after 60 characters, with "..."
//   shownPath(path)              a long path keeps its start and end: "/home/...x.mod"
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A path longer than this many characters is shown with its middle left out.
constexpr size_t MAX_SHOWN_PATH = 200;

// The characters of a text: a well-formed UTF-8 sequence counts as one, any other
// byte as one of its own.
std::vector<std::string_view> textCharacters(std::string_view text);

// The text made visible, cut after limit characters with "...".
std::string visibleText(std::string_view text, size_t limit = SIZE_MAX);

// The path made visible; over MAX_SHOWN_PATH characters, its first and last halves
// of that with "..." between them.
std::string shownPath(std::string_view path);
