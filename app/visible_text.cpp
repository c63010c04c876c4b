#include "app/visible_text.h"

#include <algorithm>
#include <cstdio>

// The length of the well-formed UTF-8 sequence that starts at text[i], or 0 when the
// byte starts none (a stray continuation byte, an overlong form, a surrogate, a cut
// sequence).
static size_t utf8Length(std::string_view text, size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        const unsigned char ch = static_cast<unsigned char>(text[i + k]);
        if (ch < (k == 1 ? low : 0x80) || ch > (k == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

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
        const size_t length = std::max<size_t>(utf8Length(text, i), 1);
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
