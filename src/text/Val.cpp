#include "text/Val.h"

#include <cmath>
#include <string>

namespace tavik {
namespace {

bool isSkippedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double Val(std::string_view text) {
    // Collect the characters of the number, leaving out blanks, then convert
    // what was collected; stops at the first character that cannot continue.
    std::string number;
    bool seenDigit = false, seenPoint = false, seenExponent = false;
    std::size_t i = 0;
    while (i < text.size() && isSkippedBlank(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (isSkippedBlank(c)) continue;
        if (isDigit(c)) {
            number += c;
            seenDigit = true;
        } else if (c == '.' && !seenPoint && !seenExponent) {
            number += c;
            seenPoint = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && seenDigit && !seenExponent) {
            // An exponent counts only when digits follow it.
            std::size_t j = i + 1;
            std::string exponent = "e";
            if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
            if (j < text.size() && isDigit(text[j])) {
                number += exponent;
                seenExponent = true;
                i = j - 1;
            } else {
                break;
            }
        } else {
            break;
        }
    }
    if (!seenDigit) return 0.0;
    try {
        const double value = std::stod(number);
        return std::isfinite(value) ? value : 0.0;
    } catch (...) {
        return 0.0;  // out of range: no usable number
    }
}

}  // namespace tavik
