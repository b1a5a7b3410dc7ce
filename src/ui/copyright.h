#pragma once
#include <QDialog>

#include "forms/CopyrightForm.h"

class QLabel;
class QPushButton;

namespace tavik {

// The about window on Qt; what it shows and when it closes lives in
// CopyrightForm. Shown modally.
class copyright : public QDialog, private CopyrightView {
    Q_OBJECT
public:
    copyright(const TavikGlobal& g, const Clock& clock, QWidget* parent = nullptr);

    QLabel* Label1(int index) const { return Label1_[index]; }
    QLabel* emaillink() const { return emaillink_; }
    QLabel* internetlink() const { return internetlink_; }
    QPushButton* Command1() const { return Command1_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // CopyrightView
    void setCaption(const std::string& caption) override;
    void setLine(int index, const std::string& text) override;
    void restoreDefaultPointer() override;
    void closeWindow() override;

    QLabel* Label1_[3] = {};
    QLabel* emaillink_ = nullptr;
    QLabel* internetlink_ = nullptr;
    QPushButton* Command1_ = nullptr;
    CopyrightForm form_;
};

}  // namespace tavik
