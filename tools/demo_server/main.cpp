// tavik6-demo-server: the service's web server, for the demo and the end-to-end tests.
//
//   tavik6-demo-server [--port N] [--bind ADDR] [--accounts FILE] [--updates DIR]
//                      [--version X] [--port-file FILE] [--cert FILE --key FILE]
//
// --port 0 (the default) takes any free port; --bind defaults to 127.0.0.1; --version is
// the newest program version announced (6.10); --port-file receives the bound port and a
// newline once the server listens; --cert and --key (PEM files, given together) make it
// answer over HTTPS only. Prints "tavik6-demo-server listening on ADDR:PORT",
// then one line per request. Ends on SIGTERM or SIGINT.
//
// Accounts file: "customer password class server-name server-ip status [update-file]"
// per line, '#' starts a comment line. Customer and password match in any letter case.
//
// Endpoints (GET). Query parts are %XX-decoded; '+' stays '+' except under /demo/,
// where it is a blank as from a form encoder (write %2B for a plus there).
//   /cgi-bin/server/tavik6/readip6.cgi?CUSTOMER&PASSWORD&VERSION
//       220;;;STATUS+IP+NAME;COUNTER;CLASS;COMMAND;NEWEST;UPDATEFILE;;
//       (COUNTER: accepted requests so far; COMMAND is sent once), or
//       100;;Benutzerdaten falsch. A reply queued with /demo/reply is sent instead, once.
//   /cgi-bin/server/offline.cgi?CUSTOMER                   records the notice; 221;
//   /cgi-bin/server/report.cgi?CUSTOMER&PASSWORD&STATUS[&IP[&NAME]]
//       the customer's own server reports itself (IP defaults to the caller); OK or FEHLER
//   /cgi-bin/server/tavik6/edit.cgi?name=..&passwort=..    settings page (HTML)
//   /cgi-bin/server/server.cgi?CUSTOMER                    test page (HTML)
//   /V5/de/anmeldung.shtml, /V5/de/download.shtml, /tavik/update.htm   HTML pages
//   /update/FILE               bytes of FILE from --updates; 404 page when missing,
//                              403 page for names with "/", "\" or ".."
//   /demo/set?user=C[&password=..][&status=..][&ip=..][&name=..][&class=..][&command=..]
//            [&version=..][&file=..]      changes (or creates) an account; OK
//   /demo/reply?user=C&body=RAW           queues one raw reply for C's next IP request; OK
//   /demo/requests[?times=1]              every request target so far, one a line; with
//                                         times=1 each line starts with the time it arrived,
//                                         seconds on CLOCK_MONOTONIC ("12.345678 TARGET")
//   /nic/update?hostname=NAME[,NAME..][&myip=IP]
//       dyndns2 update of the customer's server address, with HTTP basic auth (customer,
//       password); "good IP" or "nochg IP" per name, "nohost" for a name that is not the
//       account's server, "notfqdn" for a malformed one; 401 "badauth" without valid
//       credentials. A missing or malformed myip means the caller's address.

#include <httplib.h>
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "DemoAccounts.h"
#include "DemoHttp.h"
#include "DemoService.h"

namespace {

struct Options {
    int port = 0;
    std::string bind = "127.0.0.1";
    std::string accountsFile;
    std::string updatesDir;
    std::string version = "6.10";
    std::string portFile;
    std::string certFile;  // with keyFile: HTTPS instead of plain HTTP
    std::string keyFile;
};

constexpr const char* kUsage =
    "usage: tavik6-demo-server [--port N] [--bind ADDR] [--accounts FILE] [--updates DIR]\n"
    "                          [--version X] [--port-file FILE] [--cert FILE --key FILE]\n";

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) return std::nullopt;
        const std::string value = argv[++i];
        if (name == "--port") {
            try {
                std::size_t used = 0;
                options.port = std::stoi(value, &used);
                if (used != value.size() || options.port < 0 || options.port > 65535)
                    return std::nullopt;
            } catch (...) {
                return std::nullopt;
            }
        } else if (name == "--bind") {
            options.bind = value;
        } else if (name == "--accounts") {
            options.accountsFile = value;
        } else if (name == "--updates") {
            options.updatesDir = value;
        } else if (name == "--version") {
            options.version = value;
        } else if (name == "--port-file") {
            options.portFile = value;
        } else if (name == "--cert") {
            options.certFile = value;
        } else if (name == "--key") {
            options.keyFile = value;
        } else {
            return std::nullopt;
        }
    }
    if (options.certFile.empty() != options.keyFile.empty()) return std::nullopt;
    return options;
}

bool loadAccounts(const std::string& path, tavik::demo::DemoService& service) {
    std::ifstream in(path);
    if (!in) {
        std::cerr << "tavik6-demo-server: cannot read " << path << "\n";
        return false;
    }
    std::string error;
    auto accounts = tavik::demo::parseAccounts(in, error);
    if (!accounts) {
        std::cerr << "tavik6-demo-server: " << path << ", " << error << "\n";
        return false;
    }
    for (auto& account : *accounts) service.addAccount(std::move(account));
    return true;
}

// Written beside the target and renamed, so a reader never sees half a number.
bool writePortFile(const std::string& path, int port) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << port << "\n";
        if (!out.flush()) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

std::mutex outputMutex;

void printLine(const std::string& line) {
    std::lock_guard lock(outputMutex);
    std::cout << line << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = parseOptions(argc, argv);
    if (!options) {
        std::cerr << kUsage;
        return 2;
    }

    tavik::demo::DemoService service(options->version, options->updatesDir);
    if (!options->accountsFile.empty() && !loadAccounts(options->accountsFile, service)) return 2;

    // The signals are taken by one thread with sigwait, so that stopping the
    // server happens in ordinary code and not in a signal handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // With a certificate the server speaks HTTPS only, so a client that
    // falls back to plain HTTP gets nothing from it.
    const bool https = !options->certFile.empty();
    std::unique_ptr<httplib::Server> serverObject;
    if (https) {
        auto secure = std::make_unique<httplib::SSLServer>(options->certFile.c_str(), options->keyFile.c_str());
        if (!secure->is_valid()) {
            std::cerr << "tavik6-demo-server: cannot use certificate " << options->certFile << " with key "
                      << options->keyFile << "\n";
            return 2;
        }
        serverObject = std::move(secure);
    } else {
        serverObject = std::make_unique<httplib::Server>();
    }
    httplib::Server& server = *serverObject;
    server.Get(R"([\s\S]*)", [&service](const httplib::Request& request, httplib::Response& response) {
        tavik::demo::answerRequest(service, request, response);
    });
    server.set_logger([](const httplib::Request& request, const httplib::Response& response) {
        printLine(request.method + " " + request.target + " " + std::to_string(response.status));
    });

    const int port = options->port == 0 ? server.bind_to_any_port(options->bind)
                                        : (server.bind_to_port(options->bind, options->port)
                                               ? options->port
                                               : -1);
    if (port <= 0) {
        std::cerr << "tavik6-demo-server: cannot listen on " << options->bind << ":"
                  << options->port << "\n";
        return 1;
    }
    if (!options->portFile.empty() && !writePortFile(options->portFile, port)) {
        std::cerr << "tavik6-demo-server: cannot write " << options->portFile << "\n";
        return 1;
    }

    std::mutex stateMutex;
    std::condition_variable stateChanged;
    bool listenEnded = false;
    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // A stop before the accept loop runs would be lost, so repeat it until
        // the loop has ended.
        std::unique_lock lock(stateMutex);
        while (!listenEnded) {
            lock.unlock();
            server.stop();
            lock.lock();
            stateChanged.wait_for(lock, std::chrono::milliseconds(50), [&] { return listenEnded; });
        }
    });

    const bool ipv6 = options->bind.find(':') != std::string::npos;
    printLine("tavik6-demo-server listening on " +
              (ipv6 ? "[" + options->bind + "]" : options->bind) + ":" + std::to_string(port) +
              (https ? " (HTTPS)" : ""));

    const bool listened = server.listen_after_bind();
    {
        std::lock_guard lock(stateMutex);
        listenEnded = true;
    }
    stateChanged.notify_all();
    // When the loop ended on its own, the waiter still sits in sigwait.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    return listened ? 0 : 1;
}
