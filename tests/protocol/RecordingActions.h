#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "state/MainFormActions.h"
#include "platform/fakes/FakeProcesses.h"

namespace tavik {

// Records what the logic asked of the main form. The unload ends the
// "program" by throwing ProgramEnded, so no later step of the handler runs.
class RecordingActions : public MainFormActions {
public:
    struct Update {
        std::string url;
        std::string fileName;
    };
    std::vector<int> iconStates;
    std::vector<std::chrono::milliseconds> timerRestarts;
    std::vector<Update> updates;
    int trayReleases = 0;
    int unloads = 0;

    void TaskIconSet(int state) override { iconStates.push_back(state); }
    void restartCycleTimer(std::chrono::milliseconds interval) override { timerRestarts.push_back(interval); }
    void GetUpdate(const std::string& url, const std::string& fileName) override {
        updates.push_back({url, fileName});
    }
    void releaseTray() override { ++trayReleases; }
    [[noreturn]] void unloadAndEnd() override {
        ++unloads;
        throw ProgramEnded{0};
    }
};

}  // namespace tavik
