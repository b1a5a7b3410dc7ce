#pragma once
#include <string>
#include <string_view>

namespace tavik::demo {

// Escapes a text for use inside HTML, so values taken from requests cannot
// add markup to a page.
std::string escapeHtml(std::string_view text);

// A complete small German HTML page; `bodyHtml` is markup, already escaped.
std::string htmlPage(std::string_view title, std::string_view bodyHtml);

}  // namespace tavik::demo
