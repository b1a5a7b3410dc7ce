#pragma once
#include <optional>
#include <string>
#include <vector>

namespace tavik {

enum class MessageIcon { None, Information, Exclamation };

// One showing of the wizard's question window.
struct QuestionStep {
    std::string caption;               // window caption
    std::string stepText;              // "Schritt 1 von 3"
    std::string question;              // may hold a carriage return
    std::vector<std::string> choices;  // entries of the answer list (may be empty)
    std::string presetAnswer;          // text the answer box starts with
    bool secret = false;               // the answer is a password: not shown as typed
};

// What the question window answers when Abbrechen is pressed.
inline constexpr const char* kCancelAnswer = "cancel";

// Message boxes and the non-modal info window. Texts use a single CR (13) for
// line breaks, as the program's messages are written.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Modal message box with an OK button; returns when it is closed.
    virtual void messageBox(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    // Puts the text into the info window and shows it without waiting.
    virtual void showInfo(const std::string& text) = 0;
    // Shows the question window modally. The answer on OK, kCancelAnswer on
    // Abbrechen, nothing when the window was closed some other way.
    virtual std::optional<std::string> askQuestion(const QuestionStep& step) = 0;
    // False where nobody can answer the question window (no desktop and no
    // terminal): the wizard can then only be cancelled.
    virtual bool canAsk() const { return true; }
    // True where every text shown here already goes to standard error.
    virtual bool showsOnStandardError() const { return false; }
};

}  // namespace tavik
