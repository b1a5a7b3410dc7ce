#pragma once
#include <array>
#include <string>

namespace tavik {

// The legend as it looks to its behaviour.
class LegendeView {
public:
    virtual ~LegendeView() = default;
    virtual void setCaption(const std::string& caption) = 0;
    // One row: the tray picture of `state` and its meaning; rows come top to bottom.
    virtual void addRow(int state, const std::string& text) = 0;
    virtual void closeWindow() = 0;
};

// "Legende in der Taskbar": the tray pictures with their meaning; its only
// menu entry closes it.
class LegendeForm {
public:
    struct Row {
        int state;
        const char* text;
    };
    static const std::array<Row, 7> kRows;

    explicit LegendeForm(LegendeView& view) : view_(view) {}

    void Form_Load();
    void menu_quit_Click() { view_.closeWindow(); }

private:
    LegendeView& view_;
};

}  // namespace tavik
