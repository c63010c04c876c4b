// utf8: telling well-formed UTF-8 from other bytes, for text that goes where only
// UTF-8 may (the session bus) or is shown as it is (the disk checker's messages).
// Overlong forms, surrogates, values past U+10FFFF, stray continuation bytes and
// cut sequences are not well-formed.
//
//   utf8SequenceLength(text, i)  the length in bytes (1 to 4) of the well-formed
//                                sequence that starts at text[i], or 0 when that
//                                byte starts none
//   isUtf8(text)                 the whole text is well-formed sequences
#pragma once
#include <cstddef>
#include <string_view>

size_t utf8SequenceLength(std::string_view text, size_t i);
bool isUtf8(std::string_view text);
