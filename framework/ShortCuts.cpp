#include "framework/ShortCuts.h"

namespace {
struct TKeyName {
    WORD Key;
    const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},     {VK_RETURN, "Enter"}, {VK_ESCAPE, "Esc"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},   {VK_END, "End"},      {VK_HOME, "Home"},  {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"},    {VK_INSERT, "Ins"}, {VK_DELETE, "Del"},
};

std::string KeyName(unsigned key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
        return std::string(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24)
        return 'F' + std::to_string(key - VK_F1 + 1);
    for (const TKeyName& k : kKeyNames)
        if (k.Key == key)
            return k.Name;
    return "";
}
}  // namespace

TShortCut TextToShortCut(const std::string& text) {
    TShortCut modifiers = 0;
    std::string rest = text;
    for (;;) {
        if (rest.rfind("Shift+", 0) == 0) {
            modifiers |= scShift;
            rest.erase(0, 6);
        } else if (rest.rfind("Ctrl+", 0) == 0) {
            modifiers |= scCtrl;
            rest.erase(0, 5);
        } else if (rest.rfind("Alt+", 0) == 0) {
            modifiers |= scAlt;
            rest.erase(0, 4);
        } else {
            break;
        }
    }
    for (unsigned key = 1; key <= 0xFF && !rest.empty(); ++key)
        if (KeyName(key) == rest)
            return static_cast<TShortCut>(key | modifiers);
    return 0;
}

TShortCut DeclaredShortCut(const std::string& text) {
    TShortCut shortCut = TextToShortCut(text);
    if (shortCut == 0)
        throw Exception("Unknown shortcut: " + text);
    return shortCut;
}

TShortCut ShortCutFromLayout(const TLayoutValue& value) {
    if (value.Kind == TLayoutValue::vkString)
        return DeclaredShortCut(value.Str);
    return static_cast<TShortCut>(value.Int);
}

std::string ShortCutToText(TShortCut shortCut) {
    std::string name = KeyName(shortCut & 0xFF);
    if (name.empty())
        return "";
    std::string text;
    if (shortCut & scShift)
        text += "Shift+";
    if (shortCut & scCtrl)
        text += "Ctrl+";
    if (shortCut & scAlt)
        text += "Alt+";
    return text + name;
}

TShortCut ShortCutFromKey(WPARAM virtualKey, bool shift, bool ctrl, bool alt) {
    return static_cast<TShortCut>((virtualKey & 0xFF) | (shift ? scShift : 0) | (ctrl ? scCtrl : 0) |
                                  (alt ? scAlt : 0));
}
