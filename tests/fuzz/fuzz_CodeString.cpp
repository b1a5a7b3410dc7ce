// CodeString fed arbitrary bytes. Input: the text to scramble.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "platform/fakes/FakeDialogs.h"
#include "settings/CodeString.h"

using namespace tavik;
using namespace tavik::fuzz;

namespace {

const std::string kPad = "pondarveltischmurakog";
const std::string kMarker = "(COD)";

unsigned swapNibbles(unsigned v) { return ((v & 0x0Fu) << 4) | ((v & 0xF0u) >> 4); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::string text = original;
    FakeDialogs dialogs;
    const std::string out = CodeString(text, dialogs);

    if (original.find('\xFF') != std::string::npos) {
        FUZZ_CHECK(out.empty() && text == original, "byte 255 is refused and nothing changes");
        FUZZ_CHECK(dialogs.boxes.size() == 1 && dialogs.boxes[0].text == "Code ALT-255 nicht erlaubt",
                   "the refusal is told once");
        return 0;
    }
    FUZZ_CHECK(dialogs.boxes.empty(), "no message without byte 255");
    if (original.size() > 255) {
        FUZZ_CHECK(out.empty() && text == original, "a text too long for the header gives nothing");
        return 0;
    }

    // The in-out text: padded to ten bytes from the pad text, else unchanged.
    if (original.size() < 10)
        FUZZ_CHECK(text == original + kPad.substr(0, 10 - original.size()), "a short text is padded to ten");
    else
        FUZZ_CHECK(text == original, "a text of ten or more bytes stays as it was");

    const std::size_t body = text.size();
    const std::size_t unpadded = 1 + body;
    FUZZ_CHECK(out.size() == unpadded + unpadded % 2 + kMarker.size(), "header, body, even filler, marker");
    FUZZ_CHECK(out.compare(out.size() - kMarker.size(), kMarker.size(), kMarker) == 0, "ends with (COD)");
    if (unpadded % 2 != 0) FUZZ_CHECK(out[unpadded] == 'a', "the filler is an a");
    FUZZ_CHECK(static_cast<unsigned char>(out[0]) == swapNibbles(255u - original.size()), "the header codes the length");

    // Each body byte undoes to its input byte; only 0 and "=" (which would
    // give the comma) come out as 255, and no body byte is a comma.
    for (std::size_t i = 0; i < body; ++i) {
        const unsigned scrambled = static_cast<unsigned char>(out[1 + i]);
        const unsigned input = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(scrambled != 44, "no comma in the body");
        if (scrambled == 255)
            FUZZ_CHECK(input == 0 || input == '=', "only NUL and = scramble to 255");
        else
            FUZZ_CHECK(255u - swapNibbles(scrambled) == input, "a body byte undoes to its input byte");
    }
    return 0;
}
