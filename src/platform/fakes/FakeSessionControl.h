#pragma once
#include <optional>
#include <vector>

#include "platform/SessionControl.h"

namespace tavik {

// Never ends anything; records what it was asked to do.
class FakeSessionControl : public SessionControl {
public:
    std::optional<OsVersion> os = OsVersion{2, 6};
    bool rightGranted = true;
    bool shellEnds = true;
    bool exitSucceeds = true;
    int shellEndCalls = 0;
    std::vector<unsigned> exitFlags;

    std::optional<OsVersion> version() override { return os; }
    bool acquireShutdownRight() override { return rightGranted; }
    bool endShell() override {
        ++shellEndCalls;
        return shellEnds;
    }
    bool exitSession(unsigned flags) override {
        exitFlags.push_back(flags);
        return exitSucceeds;
    }
};

}  // namespace tavik
