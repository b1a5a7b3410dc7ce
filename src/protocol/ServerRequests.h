#pragma once
#include <cstdint>
#include <string>

#include "state/TavikGlobal.h"
#include "platform/ProgramEnvironment.h"
#include "protocol/Inet1.h"
#include "protocol/ReplyHandler.h"

namespace tavik {

// The two requests the program sends to the service's web server.
class ServerRequests {
public:
    ServerRequests(TavikGlobal& g, Inet1& inet, ReplyHandler& replies, const ProgramEnvironment& env);

    // Asks for the customer's server; returns AntwortCode: 220 accepted,
    // 99 or 100 as the server said, 1 for no usable answer.
    std::int32_t ReadIP();
    // Tells the server this client goes offline.
    void DisConnect();
    // Fetches the address (lower-cased) and hands the reply to the reply
    // handling. Without a customer number or a password nothing is sent:
    // such a request can only be refused, and a store that could not be read
    // must not turn into requests with empty credentials.
    void write_to_server(const std::string& address);
    // True when the last request was held back for want of a customer number
    // or a password.
    bool heldBack() const { return heldBack_; }

private:
    TavikGlobal& g_;
    Inet1& inet_;
    ReplyHandler& replies_;
    const ProgramEnvironment& env_;
    bool heldBack_ = false;
};

}  // namespace tavik
