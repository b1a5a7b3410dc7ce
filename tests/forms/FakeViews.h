#pragma once
// Views without a window: they keep what the forms show and log what the
// forms ask of the window, in order.
#include <array>
#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "forms/CopyrightForm.h"
#include "forms/DialogForm.h"
#include "forms/InfoForm.h"
#include "forms/ParameterForm.h"

namespace tavik {

struct FakeParameterView : ParameterView {
    std::array<std::string, 2> fields;
    std::map<Box, bool> boxes;
    std::map<Control, bool> enabled{{Control::SetUP_Button, true}, {Control::AppToServiceDownload, false}};
    bool browserWindowOpens = true;
    std::vector<std::string> calls;

    void makeTopmost() override { calls.push_back("topmost"); }
    std::string fieldText(int index) const override { return fields.at(index); }
    void setFieldText(int index, const std::string& text) override { fields.at(index) = text; }
    bool isChecked(Box box) const override { return boxes.count(box) && boxes.at(box); }
    void setChecked(Box box, bool on) override { boxes[box] = on; }
    void setControlEnabled(Control control, bool on) override { enabled[control] = on; }
    std::map<Box, std::string> unavailable;
    void showBoxUnavailable(Box box, const std::string& why) override {
        boxes[box] = false;
        unavailable[box] = why;
    }
    void hideWindow() override { calls.push_back("hide"); }
    void closeWindow() override { calls.push_back("close"); }
    void showAbout() override { calls.push_back("about"); }
    void showHelp() override { calls.push_back("help"); }
    bool showBrowserWindow(const std::string& url) override {
        calls.push_back("browser " + url);
        return browserWindowOpens;
    }
};

struct FakeInfoView : InfoView {
    std::vector<std::string> calls;
    std::string caption, text;
    bool windowLoads = true;

    bool loadWindow() override {
        calls.push_back("load");
        return windowLoads;
    }
    void setCaption(const std::string& c) override { caption = c; }
    void makeTopmost() override { calls.push_back("topmost"); }
    void showText(const std::string& t) override { text = t; }
    void showWindow() override { calls.push_back("show"); }
    void startCloseTimer(std::chrono::milliseconds after) override {
        calls.push_back("timer " + std::to_string(after.count()));
    }
    void stopCloseTimer() override { calls.push_back("stop timer"); }
    void closeWindow() override { calls.push_back("close"); }
};

struct FakeCopyrightView : CopyrightView {
    std::string caption;
    std::array<std::string, 3> lines;
    bool closed = false;

    void setCaption(const std::string& c) override { caption = c; }
    void setLine(int index, const std::string& text) override { lines.at(index) = text; }
    void restoreDefaultPointer() override {}
    void closeWindow() override { closed = true; }
};

struct FakeDialogView : DialogView {
    std::string answer;
    std::vector<std::string> choices;
    bool okEnabled = true;
    bool closed = false;

    void setCaption(const std::string&) override {}
    void setStepText(const std::string&) override {}
    void setQuestion(const std::string&) override {}
    void addChoice(const std::string& choice) override { choices.push_back(choice); }
    void setAnswerText(const std::string& text) override { answer = text; }
    std::string answerText() const override { return answer; }
    void setSecret(bool) override {}
    void setOkEnabled(bool on) override { okEnabled = on; }
    void closeWindow() override { closed = true; }
};

}  // namespace tavik
