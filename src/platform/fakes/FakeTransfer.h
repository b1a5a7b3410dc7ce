#pragma once
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/HttpTransfer.h"

namespace tavik {

// Answers URLs from a script: a queued answer for the URL, else the standing
// answer, else a failure (state 11).
class FakeTransfer : public HttpTransfer {
public:
    struct Answer {
        bool ok = true;
        std::string body;
    };
    std::map<std::string, std::deque<Answer>> queued;
    std::map<std::string, Answer> standing;
    std::vector<std::string> requested;
    // The total limit set through limitTotalTime, and the one in force at each request.
    std::optional<std::chrono::milliseconds> totalLimit;
    std::vector<std::optional<std::chrono::milliseconds>> limitsAtRequest;
    int cancels = 0;
    std::function<void(const std::string&)> duringRequest;  // runs inside openUrl

    std::string openUrl(const std::string& url, std::size_t bodyCap,
                        const std::function<void(int)>& onState) override {
        requested.push_back(url);
        limitsAtRequest.push_back(totalLimit);
        if (duringRequest) duringRequest(url);
        Answer answer{false, {}};
        if (auto q = queued.find(url); q != queued.end() && !q->second.empty()) {
            answer = q->second.front();
            q->second.pop_front();
        } else if (auto s = standing.find(url); s != standing.end()) {
            answer = s->second;
        }
        if (!answer.ok || answer.body.size() > bodyCap) {
            onState(kStateError);
            return {};
        }
        onState(kStateResponseCompleted);
        return answer.body;
    }
    void cancel() override { ++cancels; }
    void limitTotalTime(std::chrono::milliseconds total) override { totalLimit = total; }
};

}  // namespace tavik
