#include "app/visible_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/utf8.h"

static std::string visibleCharacter(std::string_view character)
{
    const unsigned char first = static_cast<unsigned char>(character[0]);
    const bool c1Control = character.size() == 2 && first == 0xC2 && static_cast<unsigned char>(character[1]) < 0xA0;
    if (character.size() > 1 && !c1Control)
        return std::string(character);
    if (first == '\t')
        return "\\t";
    if (first == '\r')
        return "\\r";
    if (first == '\n')
        return "\\n";
    if (first >= 32 && first < 127)
        return std::string(1, char(first));
    std::string escaped;
    for (char ch : character) {
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(ch));
        escaped += code;
    }
    return escaped;
}

std::vector<std::string_view> textCharacters(std::string_view text)
{
    std::vector<std::string_view> list;
    for (size_t i = 0; i < text.size();) {
        const size_t length = std::max<size_t>(utf8SequenceLength(text, i), 1);
        list.push_back(text.substr(i, length));
        i += length;
    }
    return list;
}

std::string visibleText(std::string_view text, size_t limit)
{
    std::string out;
    size_t count = 0;
    for (std::string_view character : textCharacters(text)) {
        if (count++ == limit)
            return out + "...";
        out += visibleCharacter(character);
    }
    return out;
}

std::string shownPath(std::string_view path)
{
    const std::vector<std::string_view> characters = textCharacters(path);
    if (characters.size() <= MAX_SHOWN_PATH)
        return visibleText(path);
    const size_t half = MAX_SHOWN_PATH / 2;
    std::string shown;
    for (size_t i = 0; i < half; ++i)
        shown += visibleCharacter(characters[i]);
    shown += "...";
    for (size_t i = characters.size() - half; i < characters.size(); ++i)
        shown += visibleCharacter(characters[i]);
    return shown;
}
