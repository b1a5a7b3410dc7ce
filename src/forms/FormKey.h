#pragma once

namespace tavik {

// The keys a window's behaviour tells apart; the views map theirs to these.
enum class FormKey { Escape, Enter, Other };

}  // namespace tavik
