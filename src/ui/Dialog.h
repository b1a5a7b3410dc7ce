#pragma once
#include <QDialog>
#include <optional>
#include <string>

#include "forms/DialogForm.h"
#include "platform/Dialogs.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tavik {

// The setup wizard's question window on Qt; what it does lives in DialogForm.
class Dialog : public QDialog, private DialogView {
    Q_OBJECT
public:
    explicit Dialog(const QuestionStep& step, QWidget* parent = nullptr);

    // The answer on OK, "cancel" on Abbrechen, nothing when the window was
    // closed some other way (or not yet).
    const std::optional<std::string>& answer() const { return form_.answer(); }

    // Shows a fresh window modally and returns its answer.
    static std::optional<std::string> ask(const QuestionStep& step, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // DialogView
    void setCaption(const std::string& caption) override;
    void setStepText(const std::string& text) override;
    void setQuestion(const std::string& text) override;
    void addChoice(const std::string& choice) override;
    void setAnswerText(const std::string& text) override;
    std::string answerText() const override;
    void setSecret(bool secret) override;
    void setOkEnabled(bool enabled) override;
    void closeWindow() override;

    QLabel* schritt_;
    QLabel* abfrage1_;
    QComboBox* antwort1_;
    QPushButton* OKButton_;
    QPushButton* CancelButton_;
    DialogForm form_;
};

}  // namespace tavik
