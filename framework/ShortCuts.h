// Keyboard shortcuts: a key with its modifiers, as menus and actions store
// them, and the text a menu shows for one.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/Classes.h"

// A key with its modifiers, stored as in layouts: the virtual-key code in the
// low byte, plus 0x2000 for Shift, 0x4000 for Ctrl and 0x8000 for Alt.
using TShortCut = uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

// The text a menu shows beside an item: "Ctrl+O", "Shift+F5", "Ctrl+Left",
// "Space", "Esc". Keys without a name of their own here (punctuation, keypad)
// give "".
std::string ShortCutToText(TShortCut shortCut);
// The other way round, modifiers in any order: 0 for a text that names no key.
TShortCut TextToShortCut(const std::string& text);
// The same where a shortcut is declared (a layout, the player's keys): a 0
// shortcut never fires, so a text that names no key ("Ctrl+Rigth") raises
// Exception "Unknown shortcut: <text>" instead of making a dead key.
TShortCut DeclaredShortCut(const std::string& text);
// A layout's ShortCut property: a name ('Ctrl+O', as above) or the number.
TShortCut ShortCutFromLayout(const TLayoutValue& value);
// The shortcut a key press makes with the modifiers held at the time.
TShortCut ShortCutFromKey(WPARAM virtualKey, bool shift, bool ctrl, bool alt);
