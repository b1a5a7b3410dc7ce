#pragma once
#include <string>
#include <vector>

#include "platform/Tray.h"

namespace tavik {

class FakeTray : public Tray {
public:
    struct Change {
        int state;
        std::string tooltip;
    };
    bool present = false;
    bool hooked = false;
    bool exitEnabled = true;
    bool statusOnline = false;
    bool visible = true;
    std::vector<Change> changes;  // add and change, in order
    std::vector<std::string> calls;

    void add(int state, const std::string& tooltip) override {
        present = true;
        changes.push_back({state, tooltip});
        calls.push_back("add");
    }
    void change(int state, const std::string& tooltip) override {
        changes.push_back({state, tooltip});
        calls.push_back("change");
    }
    void remove() override {
        present = false;
        calls.push_back("remove");
    }
    void hookMenu() override {
        hooked = true;
        calls.push_back("hook");
    }
    void unhookMenu() override {
        hooked = false;
        calls.push_back("unhook");
    }
    void setExitEntryEnabled(bool enabled) override { exitEnabled = enabled; }
    void showStatusPicture(bool online) override { statusOnline = online; }
    bool showsPictures() const override { return visible; }
};

}  // namespace tavik
