#include "protocol/Inet1.h"

#include <exception>

namespace tavik {
namespace {

constexpr const char* kTransferErrorText =
    "Bei der Kommunikation mit dem Host-Rechner ist ein Fehler aufgetreten.";

// Clears the busy mark however the transfer call is left.
class BusyMark {
public:
    explicit BusyMark(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyMark() { flag_ = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

private:
    bool& flag_;
};

}  // namespace

Inet1::Inet1(HttpTransfer& transfer, TavikGlobal& g) : transfer_(transfer), g_(g) {}

std::string Inet1::OpenURL(const std::string& url, std::size_t bodyCap) {
    // Other handlers can run while a transfer waits; they must not start a
    // second one on the same connection.
    if (busy_) {
        Inet1_StateChanged(kStateError);
        return {};
    }
    BusyMark mark(busy_);
    try {
        return transfer_.openUrl(url, bodyCap, [this](int state) { Inet1_StateChanged(state); });
    } catch (const std::exception&) {
        // An adapter should report failures as states; treat a stray
        // exception the same way rather than let it leave the handler.
        Inet1_StateChanged(kStateError);
        return {};
    }
}

void Inet1::Cancel() { transfer_.cancel(); }

void Inet1::Inet1_StateChanged(int state) {
    g_.InetFehler.clear();
    if (state == kStateError) g_.InetFehler = kTransferErrorText;
}

}  // namespace tavik
