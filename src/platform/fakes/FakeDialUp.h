#pragma once
#include "platform/DialUp.h"

namespace tavik {

class FakeDialUp : public DialUp {
public:
    bool connected = false;
    int asked = 0;
    bool firstConnectionConnected() override {
        ++asked;
        return connected;
    }
};

}  // namespace tavik
