#pragma once
#include <QDialog>

#include "forms/HilfeForm.h"

class QAction;
class QPushButton;

namespace tavik {

// The help window on Qt: the settings window's controls, each with a line
// that explains it. Only the two Quit controls react; everything else is a
// picture of the settings window.
class Hilfe : public QDialog, private HilfeView {
    Q_OBJECT
public:
    explicit Hilfe(QWidget* parent = nullptr);

    QAction* menu_exit() const { return menu_exit_; }
    QPushButton* quit_button() const { return quit_button_; }

private:
    // HilfeView
    void setCaption(const std::string& caption) override;
    void makeTopmost() override;
    void closeWindow() override;

    QAction* menu_exit_ = nullptr;
    QPushButton* quit_button_ = nullptr;
    HilfeForm form_;
};

}  // namespace tavik
