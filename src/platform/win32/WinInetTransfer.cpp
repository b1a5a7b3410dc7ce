#include "platform/win32/WinInetTransfer.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

#include "platform/http/HttpUrl.h"
#include "platform/win32/WideText.h"

namespace tavik {
namespace {

constexpr int kStateConnecting = 3;
constexpr int kStateResponseReceived = 8;

// The caller's state handler must not be able to break the transfer's own
// bookkeeping by throwing.
void report(const std::function<void(int)>& onState, int state) {
    if (!onState) return;
    try {
        onState(state);
    } catch (...) {
    }
}

void setTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds timeout) {
    DWORD ms = static_cast<DWORD>(timeout.count() < 1 ? 1 : timeout.count());
    InternetSetOptionW(handle, option, &ms, sizeof ms);
}

// One header of the answer as text; nothing when it is missing or longer
// than any honest header.
std::optional<std::wstring> queryText(HINTERNET request, DWORD what) {
    DWORD size = 0;
    if (HttpQueryInfoW(request, what, nullptr, &size, nullptr) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
        size > kHeaderLimit * sizeof(wchar_t))
        return std::nullopt;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(request, what, text.data(), &size, nullptr)) return std::nullopt;
    text.resize(size / sizeof(wchar_t));
    return text;
}

// Whether the whole header WinINet took in stays within the limit the Linux
// transfer sets; the size query alone tells, without copying the header.
bool headerWithinLimit(HINTERNET request) {
    DWORD size = 0;
    if (HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    return size / sizeof(wchar_t) <= kHeaderLimit;
}

std::optional<DWORD> statusCode(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return std::nullopt;
    return status;
}

std::optional<unsigned long long> contentLength(HINTERNET request) {
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
    wchar_t* end = nullptr;
    const unsigned long long length = std::wcstoull(text, &end, 10);
    if (end == text || *end != L'\0') return std::nullopt;
    return length;
}

// The body, up to the cap; false when it is larger or the reading fails.
bool readBody(HINTERNET request, std::size_t bodyCap, std::string& body) {
    // A declared length above the cap needs no reading at all.
    const auto length = contentLength(request);
    if (length && *length > bodyCap) return false;
    char buffer[16384];
    while (true) {
        DWORD got = 0;
        if (!InternetReadFile(request, buffer, sizeof buffer, &got)) return false;
        if (got == 0) return true;
        if (got > bodyCap - body.size()) return false;
        body.append(buffer, got);
    }
}

}  // namespace

// One request, shared by the caller and the exchange thread. When the caller
// gives up (cancel, deadline) it closes the handles, which ends the blocking
// WinINet calls on Windows; where that does not reach a call at once (Wine),
// the thread is left to end on its own and never reports back.
struct WinInetTransfer::Exchange {
    std::mutex mutex;
    std::shared_ptr<void> session;
    HttpUrl url;
    std::size_t bodyCap = 0;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    bool finished = false;
    bool ok = false;
    bool abandoned = false;  // by the caller; the thread then opens and reports nothing
    std::string body;

    void closeHandles() {
        if (request) InternetCloseHandle(request);
        if (connection) InternetCloseHandle(connection);
        request = connection = nullptr;
    }
};

WinInetTransfer::WinInetTransfer(EventLoop& loop, Timeouts timeouts) : loop_(loop), timeouts_(timeouts) {}

WinInetTransfer::~WinInetTransfer() = default;

void WinInetTransfer::cancel() {
    std::lock_guard lock(mutex_);
    if (running_) cancelRequested_ = true;
}

std::string WinInetTransfer::openUrl(const std::string& url, std::size_t bodyCap,
                                     const std::function<void(int state)>& onState) {
    bool complete = false;
    std::string body;
    try {
        const auto parsed = parseHttpUrl(url);
        bool started = false;
        if (parsed) {
            std::lock_guard lock(mutex_);
            if (!running_) {  // a second request while one is in flight gets nothing
                running_ = true;
                cancelRequested_ = false;
                started = true;
            }
        }
        if (started) {
            report(onState, kStateConnecting);
            try {
                auto exchange = std::make_shared<Exchange>();
                exchange->url = *parsed;
                exchange->bodyCap = bodyCap;
                complete = runExchange(exchange);
                if (complete) body = std::move(exchange->body);
            } catch (...) {
                complete = false;
            }
            std::lock_guard lock(mutex_);
            running_ = false;
        }
    } catch (...) {
        complete = false;
    }
    if (!complete) {
        report(onState, kStateError);
        return {};
    }
    report(onState, kStateResponseReceived);
    report(onState, kStateResponseCompleted);
    return body;
}

std::shared_ptr<void> WinInetTransfer::session() {
    if (!session_) {
        HINTERNET session = InternetOpenW(L"Tavik6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!session) return nullptr;
        // The time-outs go on each request handle, where WinINet heeds them.
        session_ = std::shared_ptr<void>(session, [](void* handle) { InternetCloseHandle(handle); });
    }
    return session_;
}

void WinInetTransfer::limitTotalTime(std::chrono::milliseconds total) {
    std::lock_guard lock(mutex_);
    totalLimit_ = total;
}

bool WinInetTransfer::runExchange(const std::shared_ptr<Exchange>& exchange) {
    exchange->session = session();
    if (!exchange->session) return false;
    Timeouts timeouts;
    {
        std::lock_guard lock(mutex_);
        timeouts = timeouts_.cappedAt(totalLimit_);
    }
    EventLoop* loop = &loop_;
    std::thread([exchange, timeouts, loop] {
        Exchange& x = *exchange;
        bool ok = false;
        try {
            ok = [&] {
                std::unique_lock lock(x.mutex);
                if (x.abandoned) return false;
                // Redirects stay on this host and port, so one connection
                // handle serves them all.
                x.connection = InternetConnectW(static_cast<HINTERNET>(x.session.get()), toWide(x.url.host).c_str(),
                                                static_cast<INTERNET_PORT>(x.url.port), nullptr, nullptr,
                                                INTERNET_SERVICE_HTTP, 0, 0);
                if (!x.connection) return false;
                // WinINet's own redirects would go to any host; the exchange
                // follows them itself, as the Linux transfer does.
                constexpr DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                        INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH;
                HttpUrl url = x.url;
                for (int redirects = 0;; ++redirects) {
                    if (x.request) InternetCloseHandle(x.request);
                    // https goes through TLS with Windows' own checks of the
                    // certificate and its name; no flag relaxes them, and an
                    // https address never goes out as plain HTTP.
                    const DWORD secure = url.secure ? INTERNET_FLAG_SECURE : 0;
                    x.request = HttpOpenRequestW(x.connection, L"GET", toWide(url.target).c_str(), nullptr, nullptr,
                                                 nullptr, flags | secure, 0);
                    if (!x.request) return false;
                    const HINTERNET request = x.request;
                    // The time-outs belong on the request handle.
                    setTimeout(request, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
                    setTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
                    setTimeout(request, INTERNET_OPTION_SEND_TIMEOUT, timeouts.send);
                    // From here the caller may close the handle at any time,
                    // which makes the calls on it fail.
                    lock.unlock();
                    if (!HttpSendRequestW(request, nullptr, 0, nullptr, 0)) return false;
                    if (!headerWithinLimit(request)) return false;
                    const auto status = statusCode(request);
                    if (!status) return false;
                    if (!isRedirectStatus(*status)) {
                        std::string body;
                        if (!readBody(request, x.bodyCap, body)) return false;
                        lock.lock();
                        x.body = std::move(body);
                        return true;
                    }
                    const auto location = queryText(request, HTTP_QUERY_LOCATION);
                    if (!location || redirects == kMaxRedirects) return false;
                    const auto next = redirectTarget(url, fromWide(*location));
                    if (!next) return false;
                    url = *next;
                    lock.lock();
                    if (x.abandoned) return false;
                }
            }();
        } catch (...) {
            ok = false;
        }
        std::lock_guard lock(x.mutex);
        x.closeHandles();
        x.finished = true;
        x.ok = ok;
        // Once the caller has given up, it may be gone with its loop.
        if (!x.abandoned) loop->wake();
    }).detach();

    const auto deadline = std::chrono::steady_clock::now() + timeouts.total;
    loop_.waitUntil([&] {
        std::lock_guard lock(exchange->mutex);
        if (exchange->finished) return true;
        bool cancelled = false;
        {
            std::lock_guard own(mutex_);
            cancelled = cancelRequested_;
        }
        if (!cancelled && std::chrono::steady_clock::now() < deadline) return false;
        exchange->abandoned = true;
        exchange->closeHandles();
        return true;
    });
    std::lock_guard lock(exchange->mutex);
    return exchange->finished && exchange->ok && !exchange->abandoned;
}

}  // namespace tavik
