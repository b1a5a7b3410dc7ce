#pragma once
#include <cstddef>
#include <string>

#include "state/TavikGlobal.h"
#include "platform/HttpTransfer.h"

namespace tavik {

// Largest reply body the server protocol accepts, and largest update file.
constexpr std::size_t kReplyBodyCap = 1 << 20;
constexpr std::size_t kUpdateFileCap = 64u << 20;

// The main form's transfer control: one synchronous GET at a time, whose
// state events keep the error text of the last transfer in InetFehler.
class Inet1 {
public:
    Inet1(HttpTransfer& transfer, TavikGlobal& g);

    // The whole body, or empty when nothing came back. A call while another
    // transfer is still running fails at once with the error state.
    std::string OpenURL(const std::string& url, std::size_t bodyCap);
    // Ends a running transfer; harmless when none runs.
    void Cancel();
    // Every state event clears the error text; only the error state sets it.
    void Inet1_StateChanged(int state);
    bool busy() const { return busy_; }

private:
    HttpTransfer& transfer_;
    TavikGlobal& g_;
    bool busy_ = false;
};

}  // namespace tavik
