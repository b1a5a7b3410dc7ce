#pragma once
#include <chrono>
#include <string>

namespace tavik {

// What the reply handling and the update may ask of the main form.
class MainFormActions {
public:
    virtual ~MainFormActions() = default;
    // Changes the tray picture and tooltip, then holds the caller for a second.
    virtual void TaskIconSet(int state) = 0;
    // Sets the cycle timer's interval and enables it.
    virtual void restartCycleTimer(std::chrono::milliseconds interval) = 0;
    // The automatic update; does not return when it starts the updater.
    virtual void GetUpdate(const std::string& url, const std::string& fileName) = 0;
    // Gives the window hook back and removes the tray icon, before an end
    // that skips the exit sequence.
    virtual void releaseTray() = 0;
    // Unloads the main form (exit sequence) and ends the program.
    [[noreturn]] virtual void unloadAndEnd() = 0;
};

}  // namespace tavik
