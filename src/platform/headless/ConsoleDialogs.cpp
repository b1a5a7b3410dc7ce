#include "platform/headless/ConsoleDialogs.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <iostream>

#include "text/EscapedText.h"
#include "text/Utf8.h"

namespace tavik {

ConsoleDialogs::ConsoleDialogs(std::FILE* out, bool interactive, std::function<bool(std::string&)> readLine)
    : out_(out), interactive_(interactive), readLine_(std::move(readLine)) {}

namespace {

// Whether someone at a terminal can answer on standard input. Windows' C
// runtime takes the NUL device for a terminal too; only a console counts.
bool inputIsTerminal() {
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDIN_FILENO) == 1;
#endif
}

}  // namespace

ConsoleDialogs ConsoleDialogs::forThisProcess() {
    return ConsoleDialogs(stderr, inputIsTerminal(),
                          [](std::string& line) { return static_cast<bool>(std::getline(std::cin, line)); });
}

namespace {

// Length of the well-formed UTF-8 sequence at `at` for a printable
// character from U+00A0 on, else 0: a malformed byte, a direction mark, or a
// C1 control (U+0080..U+009F), which some terminals obey like the escape
// sequences they stand for.
std::size_t printableSequence(const std::string& text, std::size_t at) {
    std::size_t length = 0;
    const std::optional<char32_t> point = decodeUtf8(std::string_view(text).substr(at), length);
    if (!point || *point < 0xA0) return 0;
    // The marks that turn the direction of what follows (U+202A..U+202E,
    // U+2066..U+2069) would let a text show something else than it says.
    if ((*point >= 0x202A && *point <= 0x202E) || (*point >= 0x2066 && *point <= 0x2069)) return 0;
    return length;
}

}  // namespace

std::string ConsoleDialogs::forTerminal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;  // CR LF is one break
        } else if (text[i] == '\n') {
            out += '\n';
        } else if (text[i] == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            appendEscapedByte(out, byte);
        } else if (byte < 0x80) {
            out += text[i];
        } else if (const std::size_t length = printableSequence(text, i); length > 0) {
            out.append(text, i, length);
            i += length - 1;
        } else {
            appendEscapedByte(out, byte);
        }
    }
    return out;
}

void ConsoleDialogs::print(const std::string& text, Severity severity) {
    std::string line = forTerminal(text);
    if (line.empty() || line.back() != '\n') line += '\n';
    if (journal_) {
        const std::string prefix = journalPrefix(severity);
        std::string marked;
        for (std::size_t start = 0; start < line.size();) {
            const std::size_t end = line.find('\n', start) + 1;
            marked += prefix + line.substr(start, end - start);
            start = end;
        }
        line = marked;
    }
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

void ConsoleDialogs::messageBox(const std::string& text, const std::string& title, MessageIcon icon) {
    print("[" + title + "] " + text, icon == MessageIcon::Exclamation ? Severity::Warning : Severity::Info);
}

// The info window carries the cycle's notices, most of them about something
// that went wrong.
void ConsoleDialogs::showInfo(const std::string& text) { print("[Info] " + text, Severity::Warning); }

std::optional<std::string> ConsoleDialogs::askQuestion(const QuestionStep& step) {
    print("[" + step.caption + "] " + step.stepText);
    print(step.question);
    for (const auto& choice : step.choices) print("  " + choice);
    if (!interactive_) {
        print("Keine Eingabe möglich (keine Konsole).");
        return std::string("cancel");
    }
    std::string prompt = step.presetAnswer.empty() ? "> " : "[" + forTerminal(step.presetAnswer) + "] > ";
    std::fputs(prompt.c_str(), out_);
    std::fflush(out_);
    std::string line;
    if (!readLine_(line)) return std::string("cancel");  // end of input cancels
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // An empty line takes what the answer box shows, as Enter does in the window.
    return line.empty() ? step.presetAnswer : line;
}

}  // namespace tavik
