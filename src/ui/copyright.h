#pragma once
#include <QDialog>

#include "state/TavikGlobal.h"
#include "platform/Clock.h"

class QLabel;
class QPushButton;

namespace tavik {

// The about window: version, release date and the maker, shown modally.
class copyright : public QDialog {
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
    void Form_Load(const Clock& clock);
    void Form_Activate();

    const TavikGlobal& g_;
    QLabel* Label1_[3] = {};
    QLabel* emaillink_ = nullptr;
    QLabel* internetlink_ = nullptr;
    QPushButton* Command1_ = nullptr;
};

}  // namespace tavik
