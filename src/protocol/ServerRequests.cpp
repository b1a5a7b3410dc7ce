#include "protocol/ServerRequests.h"

#include "protocol/RequestUrls.h"
#include "text/TextCase.h"

namespace tavik {

ServerRequests::ServerRequests(TavikGlobal& g, Inet1& inet, ReplyHandler& replies,
                               const ProgramEnvironment& env)
    : g_(g), inet_(inet), replies_(replies), env_(env) {}

std::int32_t ServerRequests::ReadIP() {
    const std::string address = ipRequestUrl(env_.serviceHost(), g_.User, g_.Passwort, g_.ProgVersion);
    g_.AntwortCode = 0;
    write_to_server(address);
    return g_.AntwortCode;
}

void ServerRequests::DisConnect() { write_to_server(offlineNoticeUrl(env_.serviceHost(), g_.User)); }

void ServerRequests::write_to_server(const std::string& address) {
    g_.AntwortCode = 1;
    heldBack_ = g_.User.empty() || g_.Passwort.empty();
    if (heldBack_) return;
    // A request asked for while another waits for the server (a handler that
    // ran in the middle of it) is skipped: cancelling here would end the
    // other caller's transfer, and the two share the error text.
    if (inet_.busy()) return;
    inet_.Cancel();
    g_.InetFehler.clear();
    const std::string reply = inet_.OpenURL(toLowerText(address), kReplyBodyCap);
    if (!g_.InetFehler.empty()) {
        inet_.Cancel();
        return;
    }
    replies_.handle(reply);
}

}  // namespace tavik
