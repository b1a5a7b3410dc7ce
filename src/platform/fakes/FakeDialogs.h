#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace tavik {

// Records what would have been shown; the question window answers from a script.
class FakeDialogs : public Dialogs {
public:
    struct Box {
        std::string text;
        std::string title;
        MessageIcon icon;
    };
    std::vector<Box> boxes;
    std::vector<std::string> infos;
    std::vector<QuestionStep> questions;
    std::deque<std::optional<std::string>> answers;  // next answers of askQuestion
    std::function<void()> onMessageBox;              // runs while a box is "open"

    void messageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
        boxes.push_back({text, title, icon});
        if (onMessageBox) onMessageBox();
    }
    void showInfo(const std::string& text) override { infos.push_back(text); }
    std::optional<std::string> askQuestion(const QuestionStep& step) override {
        questions.push_back(step);
        if (answers.empty()) return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace tavik
