#pragma once
#include <windows.h>

#include <string>

#include "forms/CopyrightForm.h"
#include "forms/HilfeForm.h"
#include "forms/LegendeForm.h"
#include "ui_win32/Win32WindowText.h"

namespace tavik {

// The legend "Legende in der Taskbar" as a Win32 dialog: per tray state its
// picture and meaning; its menu entry Quit closes it.
class Win32LegendWindow : private LegendeView {
public:
    Win32LegendWindow() : form_(*this) {}
    bool run(HWND owner);
    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void setCaption(const std::string& caption) override;
    void addRow(int state, const std::string& text) override;
    void closeWindow() override;
    void fitRows();

    LegendeForm form_;
    win32window::Pictures pictures_;
    HWND window_ = nullptr;
    int rows_ = 0;
};

// The help window "Hilfe": the settings window's controls, which do not
// react, with an explanation beside each; its Quit button and menu close it.
class Win32HelpWindow : private HilfeView {
public:
    Win32HelpWindow() : form_(*this) {}
    bool run(HWND owner);
    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void setCaption(const std::string& caption) override;
    void makeTopmost() override;
    void closeWindow() override;

    HilfeForm form_;
    HWND window_ = nullptr;
};

// The about window: version, release date, the maker's line with the year.
class Win32AboutWindow : private CopyrightView {
public:
    Win32AboutWindow(const TavikGlobal& g, const Clock& clock) : form_(*this, g, clock) {}
    bool run(HWND owner);
    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void setCaption(const std::string& caption) override;
    void setLine(int index, const std::string& text) override;
    void restoreDefaultPointer() override;
    void closeWindow() override;

    CopyrightForm form_;
    win32window::Pictures pictures_;
    HWND window_ = nullptr;
};

}  // namespace tavik
