#pragma once
#include <QDialog>
#include <optional>
#include <string>

#include "platform/Dialogs.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace tavik {

// The setup wizard's question window: one step's text, an answer box with an
// optional list, OK and Abbrechen.
class Dialog : public QDialog {
    Q_OBJECT
public:
    explicit Dialog(const QuestionStep& step, QWidget* parent = nullptr);

    // The answer on OK, "cancel" on Abbrechen, nothing when the window was
    // closed some other way (or not yet).
    const std::optional<std::string>& answer() const { return answer_; }

    // Shows a fresh window modally and returns its answer.
    static std::optional<std::string> ask(const QuestionStep& step, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OKButton_Click();
    void CancelButton_Click();
    void updateOkButton();

    QLabel* schritt_;
    QLabel* abfrage1_;
    QComboBox* antwort1_;
    QPushButton* OKButton_;
    QPushButton* CancelButton_;
    std::optional<std::string> answer_;
};

}  // namespace tavik
