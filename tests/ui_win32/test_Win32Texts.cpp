#include <gtest/gtest.h>

#include <string>

#include "ui_win32/Win32Tray.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {
namespace {

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

std::wstring repeat(const std::wstring& piece, int times) {
    std::wstring text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// The notification area shows 63 characters: counted as characters, never
// as UTF-8 bytes or UTF-16 units, and never half a character.
TEST(Win32Tray, TooltipKeepsAtMost63WholeCharacters) {
    const std::wstring clef = L"\U0001D11E";  // two UTF-16 units
    const struct {
        const char* name;
        std::string tooltip;
        std::wstring shown;
    } cases[] = {
        {"empty", "", L""},
        {"short", "Firma 6.10 01.12.2026", L"Firma 6.10 01.12.2026"},
        {"exactly 63", repeat("a", 63), repeat(L"a", 63)},
        {"64 cut to 63", repeat("a", 64), repeat(L"a", 63)},
        {"umlauts count once", repeat("ä", 70), repeat(L"ä", 63)},
        {"pair at the end stays whole", repeat("a", 62) + "\U0001D11E" + "b", repeat(L"a", 62) + clef},
        {"pairs only", repeat("\U0001D11E", 70), repeat(clef, 63)},
    };
    for (const auto& c : cases) {
        const std::wstring shown = Win32Tray::tooltipText(c.tooltip);
        EXPECT_EQ(shown, c.shown) << c.name;
        EXPECT_LT(shown.size(), 128u) << c.name << ": must fit the shell's field with its NUL";
    }
}

// The program breaks lines with a lone CR; Windows controls break on CR LF.
TEST(Win32WindowText, LineBreaksBecomeCrLf) {
    const struct {
        const char* text;
        const wchar_t* shown;
    } cases[] = {
        {"Geben Sie Ihr Passwort ein.\rDiese wurde", L"Geben Sie Ihr Passwort ein.\r\nDiese wurde"},
        {"a\r\nb", L"a\r\nb"},
        {"a\nb", L"a\r\nb"},
        {"\r\r", L"\r\n\r\n"},
        {"Glückwunsch.\r", L"Glückwunsch.\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(win32window::controlText(c.text), c.shown) << c.text;
}

}  // namespace
}  // namespace tavik
