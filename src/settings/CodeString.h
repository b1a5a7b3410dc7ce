#pragma once
#include <string>

#include "platform/Dialogs.h"

namespace tavik {

// One-way scrambler for short key names: a header byte, the text (padded to
// ten bytes) with each byte inverted and nibble-swapped, an "a" to make the
// length even, and the marker "(COD)". Works on bytes 0..255.
//
// `text` is in-out: a text shorter than ten bytes is left padded to ten.
// Returns the empty text for a text holding byte 255 (after telling the user)
// and for a text longer than 255 bytes, which the header cannot encode.
std::string CodeString(std::string& text, Dialogs& dialogs);

}  // namespace tavik
