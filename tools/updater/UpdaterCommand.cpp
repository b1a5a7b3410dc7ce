#include "UpdaterCommand.h"

#include <charconv>
#include <cmath>

namespace tavik::updater {
namespace {

// Longer than any sensible wait, short enough that a typo cannot hang the updater for days.
constexpr double kMaxSeconds = 3600;

std::optional<std::chrono::milliseconds> readSeconds(const std::string& text) {
    double seconds = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(seconds) || seconds < 0 ||
        seconds > kMaxSeconds) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
}

std::string joinWords(std::vector<std::string>::const_iterator from, std::vector<std::string>::const_iterator to) {
    std::string line;
    for (auto it = from; it != to; ++it) {
        if (it != from) line += ' ';
        line += *it;
    }
    return line;
}

}  // namespace

bool acceptableFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const char c : name) {
        const auto u = static_cast<unsigned char>(c);
        // A backslash separates folders and a colon names a drive or a
        // stream on Windows: neither may lead out of the updates folder.
        if (c == '/' || c == '\\' || c == ':' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

std::optional<UpdaterArguments> parseArguments(const std::vector<std::string>& words,
                                               const std::function<bool(const std::string&)>& isUpdateFile,
                                               std::string& error) {
    UpdaterArguments result;
    auto word = words.begin();
    for (; word != words.end() && word->starts_with("--"); ++word) {
        const std::string option = *word;
        std::chrono::milliseconds* target = option == "--wait-seconds"      ? &result.options.waitLimit
                                            : option == "--confirm-seconds" ? &result.options.confirmPeriod
                                                                            : nullptr;
        if (!target) {
            error = "Unbekannte Option " + option + ".";
            return std::nullopt;
        }
        const auto value = ++word == words.end() ? std::nullopt : readSeconds(*word);
        if (!value) {
            error = "Die Option " + option + " erwartet eine Zahl von Sekunden (0 bis 3600).";
            return std::nullopt;
        }
        *target = *value;
    }

    const std::string line = joinWords(word, words.end());
    if (line.empty()) {
        error = "Keine Datei angegeben.";
        return std::nullopt;
    }
    std::size_t comma = line.find(',');
    for (std::size_t at = comma; at != std::string::npos; at = line.find(',', at + 1)) {
        if (isUpdateFile(line.substr(0, at))) {
            comma = at;
            break;
        }
    }
    result.command.fileName = line.substr(0, comma);
    if (comma != std::string::npos) result.command.profile = line.substr(comma + 1);
    if (!acceptableFileName(result.command.fileName)) {
        error = "Unzulässiger Dateiname \"" + result.command.fileName +
                "\": erlaubt ist nur ein Name ohne \"/\", \"\\\" und \":\".";
        return std::nullopt;
    }
    return result;
}

}  // namespace tavik::updater
