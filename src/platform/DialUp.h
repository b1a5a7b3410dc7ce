#pragma once

namespace tavik {

// The dial-up connection state.
class DialUp {
public:
    virtual ~DialUp() = default;
    // True exactly when the first active dial-up connection is connected.
    virtual bool firstConnectionConnected() = 0;
};

}  // namespace tavik
