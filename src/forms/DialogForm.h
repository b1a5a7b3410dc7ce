#pragma once
#include <optional>
#include <string>

#include "forms/FormKey.h"
#include "platform/Dialogs.h"

namespace tavik {

// The wizard's question window as it looks to its behaviour.
class DialogView {
public:
    virtual ~DialogView() = default;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setStepText(const std::string& text) = 0;
    virtual void setQuestion(const std::string& text) = 0;
    virtual void addChoice(const std::string& choice) = 0;
    virtual void setAnswerText(const std::string& text) = 0;
    virtual std::string answerText() const = 0;
    // The answer is a password: not shown as typed.
    virtual void setSecret(bool secret) = 0;
    virtual void setOkEnabled(bool enabled) = 0;
    virtual void closeWindow() = 0;
};

// The setup wizard's question window: one step's text, an answer box with an
// optional list, OK and Abbrechen. OK may be pressed only with an answer,
// but Enter in the answer box answers even when it is empty.
class DialogForm {
public:
    DialogForm(DialogView& view, QuestionStep step) : view_(view), step_(std::move(step)) {}

    void Form_Load();
    // The answer box's text changed, it was clicked or a key was typed.
    void antwort1_Change();
    void antwort1_KeyDown(FormKey key);
    void OKButton_Click();
    void CancelButton_Click();

    // The answer on OK, "cancel" on Abbrechen, nothing when the window was
    // closed some other way (or not yet).
    const std::optional<std::string>& answer() const { return answer_; }

private:
    DialogView& view_;
    QuestionStep step_;
    std::optional<std::string> answer_;
};

}  // namespace tavik
