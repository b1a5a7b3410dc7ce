#pragma once
#include <filesystem>
#include <string>

#include "platform/Clock.h"

namespace tavik {

// The program's one log: "logTavik.TXT" in the program folder, a line per
// call, opened and closed each time; failures are silent.
class Log {
public:
    Log(std::filesystem::path programFolder, const Clock& clock);
    void SaveLog(const std::string& txt);
    std::filesystem::path file() const;

private:
    std::filesystem::path folder_;
    const Clock& clock_;
};

}  // namespace tavik
