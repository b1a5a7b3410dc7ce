#include "update/ModulDate.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/PlatformFacts.h"

namespace tavik {
namespace {

constexpr std::string_view kDateMarker = "Global Const PRG_UPDATEDATE$ =";
constexpr std::size_t kMaxLines = 10001;

constexpr std::array<const char*, 12> kGermanMonths = {"Januar", "Februar", "März",      "April",
                                                       "Mai",    "Juni",    "Juli",      "August",
                                                       "September", "Oktober", "November", "Dezember"};

// Lines end at CR, LF or CR LF. Nothing when the file has too many lines.
std::optional<std::vector<std::string>> splitLines(std::string_view content) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        if (lines.size() == kMaxLines) return std::nullopt;
        std::size_t end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = content.size();
        lines.emplace_back(content.substr(start, end - start));
        start = end + 1;
        if (end < content.size() && content[end] == '\r' && start < content.size() && content[start] == '\n') ++start;
    }
    return lines;
}

std::string dateLine(const LocalDateTime& today) {
    char day[16];
    char year[16];
    std::snprintf(day, sizeof day, "%02d", today.day);
    std::snprintf(year, sizeof year, "%04d", today.year);
    return std::string(kDateMarker) + " \"" + day + ". " + localMonthName(today.month) + " " + year +
           "\"  ' Aktuelles Datum";
}

// Writes `content` beside `name` and renames it over `name`, so that a
// failure part-way leaves the original whole.
bool replaceFile(const std::filesystem::path& name, const std::string& content) {
    std::error_code error;
    std::filesystem::path temp = name;
    temp += ".tmp";
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << content;
    out.close();
    if (out.fail()) {
        std::filesystem::remove(temp, error);
        return false;
    }
    std::filesystem::permissions(temp, std::filesystem::status(name, error).permissions(), error);
    std::filesystem::rename(temp, name, error);
    if (!error) return true;
    std::filesystem::remove(temp, error);
    return false;
}

}  // namespace

std::string localMonthName(int month) {
    if (month < 1 || month > 12) return {};
    const std::string name = userMonthName(month);
    return name.empty() ? kGermanMonths[static_cast<std::size_t>(month - 1)] : name;
}

void SetNewModulDate(const std::filesystem::path& name, const LocalDateTime& today) {
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(name, error)) return;
        std::string content;
        {
            std::ifstream in(name, std::ios::binary);
            if (!in) return;
            content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            if (in.bad()) return;
        }
        const std::optional<std::vector<std::string>> lines = splitLines(content);
        if (!lines) return;
        const std::string newDateLine = dateLine(today);
        std::string rewritten;
        rewritten.reserve(content.size() + 64);
        for (const std::string& line : *lines) {
            rewritten += line.find(kDateMarker) != std::string::npos ? newDateLine : line;
            rewritten += '\n';
        }
        if (rewritten != content) replaceFile(name, rewritten);
    } catch (...) {
        // The module file is a developer's convenience; it never stops the start.
    }
}

}  // namespace tavik
