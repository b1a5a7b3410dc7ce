#pragma once
#include <QDialog>

#include "forms/LegendeForm.h"

class QAction;
class QGridLayout;

namespace tavik {

// The legend on Qt: the rows LegendeForm gives, each with its tray picture;
// shown modally.
class legende : public QDialog, private LegendeView {
    Q_OBJECT
public:
    explicit legende(QWidget* parent = nullptr);

    QAction* menuQuit() const { return menu_quit_; }

private:
    // LegendeView
    void setCaption(const std::string& caption) override;
    void addRow(int state, const std::string& text) override;
    void closeWindow() override;

    QAction* menu_quit_ = nullptr;
    QGridLayout* rows_ = nullptr;
    int rowCount_ = 0;
    LegendeForm form_;
};

}  // namespace tavik
