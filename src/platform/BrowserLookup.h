#pragma once
#include <string>

namespace tavik {

// Finds the program that opens web pages on this desktop.
class BrowserLookup {
public:
    virtual ~BrowserLookup() = default;
    // Full path of the default browser, or empty when there is none.
    virtual std::string findBrowser() = 0;
};

}  // namespace tavik
