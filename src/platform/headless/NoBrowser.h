#pragma once
#include "platform/BrowserLookup.h"

namespace tavik {

// A client without a desktop opens no web pages.
class NoBrowser : public BrowserLookup {
public:
    std::string findBrowser() override { return {}; }
};

}  // namespace tavik
