#pragma once
#include <QDialog>

class QAction;
class QPushButton;

namespace tavik {

// "Hilfe": the settings window's controls, each with a line that explains
// it. Only the two Quit controls react; everything else is a picture of the
// settings window.
class Hilfe : public QDialog {
    Q_OBJECT
public:
    explicit Hilfe(QWidget* parent = nullptr);

    QAction* menu_exit() const { return menu_exit_; }
    QPushButton* quit_button() const { return quit_button_; }

private:
    QAction* menu_exit_ = nullptr;
    QPushButton* quit_button_ = nullptr;
};

}  // namespace tavik
