#include "DemoPages.h"

namespace tavik::demo {

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string htmlPage(std::string_view title, std::string_view bodyHtml) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    page += escapeHtml(title);
    page += "</title>\n</head>\n<body>\n<h1>";
    page += escapeHtml(title);
    page += "</h1>\n";
    page += bodyHtml;
    page += "\n</body>\n</html>\n";
    return page;
}

}  // namespace tavik::demo
