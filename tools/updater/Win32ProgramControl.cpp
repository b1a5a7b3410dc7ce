#include "Win32ProgramControl.h"

#include <windows.h>

#include <thread>
#include <vector>

#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/WideText.h"

namespace tavik::updater {
namespace {

using Clock = std::chrono::steady_clock;

// True while a process holds the profile's mutex. A mutex we may not open
// (one made by a service under another account) is there all the same.
bool profileHeld(const std::wstring& name) {
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return true;
    }
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

}  // namespace

Win32ProgramControl::Win32ProgramControl(std::chrono::milliseconds pollInterval) : pollInterval_(pollInterval) {}

Win32ProgramControl::~Win32ProgramControl() {
    for (const auto& entry : started_) CloseHandle(entry.second);
}

bool Win32ProgramControl::waitUntilEnded(const std::filesystem::path&, const std::string& profile,
                                         std::chrono::milliseconds limit) {
    // The mutex lives as long as a handle to it is open, so it is looked for
    // again and again rather than held open here: Windows closes the
    // program's handle when the process ends.
    const std::wstring name = toWide(profileMutexName(profile));
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (!profileHeld(name)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pollInterval_);
    }
}

std::optional<int> Win32ProgramControl::start(const std::filesystem::path& program, const std::string& profile) {
    std::vector<std::string> words{fromWide(program.wstring())};
    if (!profile.empty()) words.push_back(profile);
    const auto started = Win32Processes::launch(words);
    if (!started) return std::nullopt;
    const int pid = static_cast<int>(started->id);
    const auto previous = started_.find(pid);
    if (previous != started_.end()) CloseHandle(previous->second);
    started_[pid] = started->process;
    return pid;
}

bool Win32ProgramControl::confirmRunning(int pid, std::chrono::milliseconds period) {
    const auto found = started_.find(pid);
    if (found == started_.end()) return false;
    const HANDLE process = found->second;
    started_.erase(found);
    const DWORD waited = WaitForSingleObject(process, static_cast<DWORD>(period.count()));
    DWORD code = STILL_ACTIVE;
    const bool running = waited == WAIT_TIMEOUT;
    const bool endedOrderly = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code) && code == 0;
    CloseHandle(process);
    return running || endedOrderly;
}

}  // namespace tavik::updater
