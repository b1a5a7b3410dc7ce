#include "forms/DialogForm.h"

namespace tavik {

void DialogForm::Form_Load() {
    view_.setCaption(step_.caption);
    view_.setStepText(step_.stepText);
    view_.setQuestion(step_.question);
    for (const auto& choice : step_.choices) view_.addChoice(choice);
    view_.setAnswerText(step_.presetAnswer);
    view_.setSecret(step_.secret);
    antwort1_Change();
}

void DialogForm::antwort1_Change() { view_.setOkEnabled(!view_.answerText().empty()); }

void DialogForm::antwort1_KeyDown(FormKey key) {
    if (key == FormKey::Enter) OKButton_Click();
}

void DialogForm::OKButton_Click() {
    answer_ = view_.answerText();
    view_.closeWindow();
}

void DialogForm::CancelButton_Click() {
    answer_ = kCancelAnswer;
    view_.closeWindow();
}

}  // namespace tavik
