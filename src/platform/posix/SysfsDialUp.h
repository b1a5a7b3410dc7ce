#pragma once
#include <filesystem>

#include "platform/DialUp.h"

namespace tavik {

// Dial-up lines are the ppp interfaces the kernel lists; the first of them
// (by interface index) decides, as only the first active connection counts.
class SysfsDialUp : public DialUp {
public:
    explicit SysfsDialUp(std::filesystem::path netClass = "/sys/class/net");
    bool firstConnectionConnected() override;

private:
    std::filesystem::path netClass_;
};

}  // namespace tavik
