#include "platform/posix/CommandLine.h"

namespace tavik {
namespace {

// Splits at blanks outside double quotes; quotes are removed.
std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

}  // namespace

std::vector<std::string> splitCommandLine(const std::string& line,
                                          const std::function<bool(const std::string&)>& isExecutable) {
    if (line.empty()) return {};
    if (line.front() == '"') {
        const auto close = line.find('"', 1);
        if (close != std::string::npos) {
            std::vector<std::string> words{line.substr(1, close - 1)};
            for (auto& w : splitWords(line.substr(close + 1))) words.push_back(std::move(w));
            return words;
        }
    }
    for (std::size_t blank = line.find(' '); blank != std::string::npos; blank = line.find(' ', blank + 1)) {
        const std::string candidate = line.substr(0, blank);
        if (isExecutable(candidate)) {
            std::vector<std::string> words{candidate};
            for (auto& w : splitWords(line.substr(blank + 1))) words.push_back(std::move(w));
            return words;
        }
    }
    if (isExecutable(line)) return {line};
    return splitWords(line);
}

std::string joinArguments(const std::vector<std::string>& words) {
    std::string line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) line += ' ';
        line += words[i];
    }
    return line;
}

}  // namespace tavik
