#include "platform/headless/ConsoleDialogs.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <iterator>
#include <optional>

#include "platform/headless/ConsoleText.h"
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

#ifdef _WIN32
// The console input and its mode from before a hidden answer, for the
// handler below.
HANDLE hiddenConsole = nullptr;
DWORD savedConsoleMode = 0;

// Ctrl-C, Ctrl-Break or a closed console window while the echo is off would
// leave the console without echo: the mode goes back first, then the
// default handling ends the program as it would have.
BOOL WINAPI restoreConsoleAndEnd(DWORD) {
    SetConsoleMode(hiddenConsole, savedConsoleMode);
    return FALSE;
}
#else
// The terminal's settings from before a hidden answer, for the signal
// handler below; a handler can reach nothing else.
termios savedTerminal{};

// Ctrl-C, a closed terminal or a kill while the echo is off would leave the
// user's terminal without echo: the settings go back first, then the signal
// ends the program as it would have (the handler was installed to run once).
extern "C" void restoreTerminalAndEnd(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    ::raise(signal);
}

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
#endif

// Turns the terminal's echo of standard input off while it lives, so a
// password is not shown as it is typed, and back on however the question
// ends. Does nothing where standard input is no terminal (on Windows: no
// console).
class HiddenInput {
public:
    explicit HiddenInput([[maybe_unused]] std::FILE* out) {
#ifdef _WIN32
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        if (input == INVALID_HANDLE_VALUE || input == nullptr || !GetConsoleMode(input, &savedConsoleMode)) return;
        hiddenConsole = input;
        handled_ = SetConsoleCtrlHandler(restoreConsoleAndEnd, TRUE) != 0;
        hidden_ = SetConsoleMode(input, savedConsoleMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
        out_ = out;
#else
        if (::tcgetattr(STDIN_FILENO, &savedTerminal) != 0) return;
        termios quiet = savedTerminal;
        // The line feed of Enter stays visible, so the prompt does not run
        // into what is printed next.
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        // Only signals that would end the program anyway are taken over; an
        // ignored or handled one stays as it is.
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            struct sigaction restore {};
            restore.sa_handler = restoreTerminalAndEnd;
            sigemptyset(&restore.sa_mask);
            restore.sa_flags = SA_RESETHAND;
            taken_[i] = ::sigaction(kEndingSignals[i], nullptr, &previous_[i]) == 0 &&
                        previous_[i].sa_handler == SIG_DFL && ::sigaction(kEndingSignals[i], &restore, nullptr) == 0;
        }
        hidden_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
#endif
    }
    ~HiddenInput() {
#ifdef _WIN32
        if (hidden_) SetConsoleMode(hiddenConsole, savedConsoleMode);
        if (handled_) SetConsoleCtrlHandler(restoreConsoleAndEnd, FALSE);
        if (!hidden_) return;
        // The console did not show the line end of Enter either; without it
        // the prompt would run into what is printed next.
        writeConsoleText(out_, "\n");
        std::fflush(out_);
#else
        if (hidden_) ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
            if (taken_[i]) ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
#endif
    }
    HiddenInput(const HiddenInput&) = delete;
    HiddenInput& operator=(const HiddenInput&) = delete;

private:
#ifdef _WIN32
    bool hidden_ = false;
    bool handled_ = false;
    std::FILE* out_ = nullptr;
#else
    bool hidden_ = false;
    bool taken_[std::size(kEndingSignals)] = {};
    struct sigaction previous_[std::size(kEndingSignals)] {};
#endif
};

}  // namespace

ConsoleDialogs ConsoleDialogs::forThisProcess() {
    const bool terminal = inputIsTerminal();
    ConsoleDialogs dialogs(stderr, terminal, readConsoleLine);
    dialogs.hideSecrets_ = terminal;
    return dialogs;
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
    writeConsoleText(out_, withJournalPriority(line, severity, journal_));
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
        return std::string(kCancelAnswer);
    }
    // A secret is neither echoed nor shown as the preset: a stored password
    // stays off the screen and out of any terminal log.
    std::optional<HiddenInput> hidden;
    if (step.secret && hideSecrets_) hidden.emplace(out_);
    std::string prompt = step.presetAnswer.empty() ? "> "
                         : step.secret             ? "[****] > "
                                                   : "[" + forTerminal(step.presetAnswer) + "] > ";
    writeConsoleText(out_, prompt);
    std::fflush(out_);
    std::string line;
    const bool answered = readLine_(line);
    hidden.reset();
    if (!answered) return std::string(kCancelAnswer);  // end of input cancels
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // An empty line takes what the answer box shows, as Enter does in the window.
    return line.empty() ? step.presetAnswer : line;
}

}  // namespace tavik
