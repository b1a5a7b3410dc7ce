#pragma once
#include <QDialog>

class QAction;

namespace tavik {

// "Legende in der Taskbar": the tray pictures with their meaning, shown
// modally; its only menu entry closes it.
class legende : public QDialog {
    Q_OBJECT
public:
    explicit legende(QWidget* parent = nullptr);

    // Tray states of the rows, top to bottom.
    static constexpr int kRowStates[7] = {0, 1, 2, 4, 8, 9, 3};

    QAction* menuQuit() const { return menu_quit_; }

private:
    QAction* menu_quit_ = nullptr;
};

}  // namespace tavik
