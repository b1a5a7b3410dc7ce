#pragma once
#include <gtest/gtest.h>

#include <string>

#include "ReplyHandlerWorld.h"

namespace tavik {

// The reply handling over fakes as a test fixture, with automatic update off
// and a hosts file holding only localhost.
class ReplyHandlerFixture : public ::testing::Test, protected ReplyHandlerWorld {
protected:
    ReplyHandlerFixture() : ReplyHandlerWorld("/tmp/tavik-fake/hosts") {
        g.AutoUpdate = "0";
        g.AntwortCode = 1;
        hostsStore.files[hostsPath] = "127.0.0.1    localhost\n";
    }

    std::string stored(const std::string& valueName) { return rw.read(section, valueName); }
    const std::string& hostsText() { return hostsStore.files[hostsPath]; }
};

}  // namespace tavik
