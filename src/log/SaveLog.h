#pragma once
#include <filesystem>
#include <string>

#include "platform/Clock.h"

namespace tavik {

// The program's one log: "logTavik.TXT" in the program folder, a line per
// call, opened and closed each time. A line that cannot be written is lost;
// whether the log can be written at all is asked once, at start.
class Log {
public:
    Log(std::filesystem::path programFolder, const Clock& clock);
    void SaveLog(const std::string& txt);
    // True when a line could be added now (the file is made if missing).
    bool writable() const;
    std::filesystem::path file() const;

private:
    std::filesystem::path folder_;
    const Clock& clock_;
};

}  // namespace tavik
