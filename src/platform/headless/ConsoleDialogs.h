#pragma once
#include <cstdio>
#include <functional>
#include <string>

#include "platform/Dialogs.h"
#include "platform/JournalPriority.h"

namespace tavik {

// The dialogs of the headless front end: every message goes to standard
// error; the question window asks on the terminal when standard input is one
// and is cancelled otherwise.
class ConsoleDialogs : public Dialogs {
public:
    // `readLine` returns false at the end of input; `interactive` tells whether
    // someone can answer.
    ConsoleDialogs(std::FILE* out, bool interactive, std::function<bool(std::string&)> readLine);
    // Standard error and standard input of this process.
    static ConsoleDialogs forThisProcess();

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
    void showInfo(const std::string& text) override;
    std::optional<std::string> askQuestion(const QuestionStep& step) override;
    bool canAsk() const override { return interactive_; }
    bool showsOnStandardError() const override { return true; }
    // Standard error is the journal: every line carries its priority (a
    // message box by its icon, the info window as a warning, the wizard's
    // questions as information).
    void prefixForJournal(bool on) { journal_ = on; }

    // Message texts break lines with a carriage return; a terminal needs a
    // line feed. Texts may come from the server, so every other control
    // character (escape sequences included), a C1 control and a malformed
    // UTF-8 byte is shown as \xNN, a tab as \t, instead of reaching the
    // terminal.
    static std::string forTerminal(const std::string& text);

private:
    void print(const std::string& text, Severity severity = Severity::Info);

    std::FILE* out_;
    bool interactive_;
    bool journal_ = false;
    // Whether a secret answer is read with the terminal's echo off: only
    // when the answers come from this process's own terminal.
    bool hideSecrets_ = false;
    std::function<bool(std::string&)> readLine_;
};

}  // namespace tavik
