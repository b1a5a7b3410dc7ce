#include "settings/CodeString.h"

#include "state/TavikGlobal.h"

namespace tavik {

namespace {

constexpr const char* kPadText = "pondarveltischmurakog";
constexpr std::size_t kMinLength = 10;
constexpr std::size_t kMaxLength = 255;
constexpr unsigned kComma = 44;
constexpr const char* kAlt255Message = "Code ALT-255 nicht erlaubt";

unsigned nibbleSwap(unsigned v) { return (v & 15u) * 16u + (v & 240u) / 16u; }

char toChar(unsigned code) { return static_cast<char>(static_cast<unsigned char>(code)); }

}  // namespace

std::string CodeString(std::string& text, Dialogs& dialogs) {
    if (text.find('\xFF') != std::string::npos) {
        dialogs.messageBox(kAlt255Message, kProgramTitle, MessageIcon::None);
        return {};
    }
    const std::size_t n = text.size();
    if (n > kMaxLength) return {};

    std::string out(1, toChar(nibbleSwap(static_cast<unsigned>(kMaxLength - n))));
    if (n < kMinLength) text = (text + kPadText).substr(0, kMinLength);
    for (const char c : text) {
        unsigned code = nibbleSwap(255u - static_cast<unsigned char>(c));
        // The scrambled text never holds a comma; 255 stands in for it.
        if (code == kComma) code = 255u;
        out += toChar(code);
    }
    if (out.size() % 2 != 0) out += 'a';
    out += "(COD)";
    return out;
}

}  // namespace tavik
