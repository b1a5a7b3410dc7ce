#include "platform/headless/ConsoleDialogs.h"

#include <unistd.h>

#include <iostream>

namespace tavik {

ConsoleDialogs::ConsoleDialogs(std::FILE* out, bool interactive, std::function<bool(std::string&)> readLine)
    : out_(out), interactive_(interactive), readLine_(std::move(readLine)) {}

ConsoleDialogs ConsoleDialogs::forThisProcess() {
    return ConsoleDialogs(stderr, isatty(STDIN_FILENO) == 1,
                          [](std::string& line) { return static_cast<bool>(std::getline(std::cin, line)); });
}

std::string ConsoleDialogs::forTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF is one break
        } else {
            out += text[i];
        }
    }
    return out;
}

void ConsoleDialogs::print(const std::string& text) {
    std::string line = forTerminal(text);
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

void ConsoleDialogs::messageBox(const std::string& text, const std::string& title, MessageIcon) {
    print("[" + title + "] " + text);
}

void ConsoleDialogs::showInfo(const std::string& text) { print("[Info] " + text); }

std::optional<std::string> ConsoleDialogs::askQuestion(const QuestionStep& step) {
    print("[" + step.caption + "] " + step.stepText);
    print(step.question);
    for (const auto& choice : step.choices) print("  " + choice);
    if (!interactive_) {
        print("Keine Eingabe möglich (keine Konsole).");
        return std::string("cancel");
    }
    std::string prompt = step.presetAnswer.empty() ? "> " : "[" + step.presetAnswer + "] > ";
    std::fputs(prompt.c_str(), out_);
    std::fflush(out_);
    std::string line;
    if (!readLine_(line)) return std::string("cancel");  // end of input cancels
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // An empty line takes what the answer box shows, as Enter does in the window.
    return line.empty() ? step.presetAnswer : line;
}

}  // namespace tavik
