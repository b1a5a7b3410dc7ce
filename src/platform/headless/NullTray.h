#pragma once
#include "platform/Tray.h"

namespace tavik {

// Without a desktop there is no notification area: the tray calls change nothing.
class NullTray : public Tray {
public:
    void add(int, const std::string&) override {}
    void change(int, const std::string&) override {}
    void remove() override {}
    void hookMenu() override {}
    void unhookMenu() override {}
    void setExitEntryEnabled(bool) override {}
    void showStatusPicture(bool) override {}
    bool showsPictures() const override { return false; }
};

}  // namespace tavik
