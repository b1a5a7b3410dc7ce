#include "DemoService.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "BasicAuth.h"
#include "DemoPages.h"
#include "text/TextCase.h"

namespace tavik::demo {
namespace {

constexpr std::string_view kReadIpPath = "/cgi-bin/server/tavik6/readip6.cgi";
constexpr std::string_view kOfflinePath = "/cgi-bin/server/offline.cgi";
constexpr std::string_view kReportPath = "/cgi-bin/server/report.cgi";
constexpr std::string_view kSettingsPath = "/cgi-bin/server/tavik6/edit.cgi";
constexpr std::string_view kTestPath = "/cgi-bin/server/server.cgi";
constexpr std::string_view kSignUpPath = "/V5/de/anmeldung.shtml";
constexpr std::string_view kDownloadPath = "/V5/de/download.shtml";
constexpr std::string_view kUpdatePagePath = "/tavik/update.htm";
constexpr std::string_view kUpdateFilePrefix = "/update/";
constexpr std::string_view kDemoSetPath = "/demo/set";
constexpr std::string_view kDemoReplyPath = "/demo/reply";
constexpr std::string_view kDemoRequestsPath = "/demo/requests";
constexpr std::string_view kNicUpdatePath = "/nic/update";

constexpr std::string_view kHtml = "text/html; charset=utf-8";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes. The client sends '+' as itself (it is the separator
// of the status field), so only the scripting endpoints, which are fed by
// form encoders, read '+' as a blank.
std::string percentDecode(std::string_view text, bool plusIsBlank = false) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (plusIsBlank && text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> positional(std::string_view rawQuery) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const auto amp = rawQuery.find('&', start);
        parts.push_back(percentDecode(rawQuery.substr(start, amp - start)));
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return parts;
}

// name=value pairs; the first occurrence of a name counts. The raw query is
// split before decoding, so an escaped '&' (%26) stays inside its value.
std::map<std::string, std::string> named(std::string_view rawQuery, bool plusIsBlank = false) {
    std::map<std::string, std::string> values;
    std::size_t start = 0;
    while (true) {
        const auto amp = rawQuery.find('&', start);
        std::string_view pair = rawQuery.substr(start, amp - start);
        const auto eq = pair.find('=');
        if (eq != std::string_view::npos)
            values.emplace(percentDecode(pair.substr(0, eq), plusIsBlank),
                           percentDecode(pair.substr(eq + 1), plusIsBlank));
        if (amp == std::string_view::npos) break;
        start = amp + 1;
    }
    return values;
}

std::string valueOf(const std::map<std::string, std::string>& values, const std::string& name) {
    const auto it = values.find(name);
    return it == values.end() ? std::string{} : it->second;
}

DemoReply text(std::string body, int status = 200) {
    return DemoReply{status, "text/plain; charset=utf-8", std::move(body), {}};
}

DemoReply page(std::string_view title, std::string_view bodyHtml, int status = 200) {
    return DemoReply{status, std::string(kHtml), htmlPage(title, bodyHtml), {}};
}

DemoReply notFound() {
    return page("Seite nicht gefunden", "<p>Die angeforderte Seite gibt es nicht.</p>", 404);
}

bool allOf(std::string_view text, std::string_view allowed) {
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

constexpr std::string_view kDigits = "0123456789";
constexpr std::string_view kAddressChars = "0123456789abcdefABCDEF.:";
constexpr std::string_view kNameChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_";

// "seconds.microseconds", the form the request list gives times in.
std::string secondsText(std::chrono::nanoseconds time) {
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(time).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                  static_cast<long long>(micros % 1000000));
    return text;
}

}  // namespace

std::chrono::nanoseconds steadyClockNow() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

DemoService::DemoService(std::string newestVersion, std::filesystem::path updatesDir,
                         MonotonicClock clock)
    : newestVersion_(std::move(newestVersion)),
      updatesDir_(std::move(updatesDir)),
      clock_(std::move(clock)) {}

void DemoService::addAccount(DemoAccount account) {
    std::lock_guard lock(mutex_);
    std::string key = toLowerText(account.customer);
    accounts_[std::move(key)] = std::move(account);
}

std::optional<DemoAccount> DemoService::account(std::string_view customer) const {
    std::lock_guard lock(mutex_);
    const DemoAccount* found = find(customer);
    if (!found) return std::nullopt;
    return *found;
}

std::vector<std::string> DemoService::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

DemoReply DemoService::handle(std::string_view target, std::string_view remoteAddress,
                              std::string_view authorization) {
    std::lock_guard lock(mutex_);
    requests_.emplace_back(target);
    receivedAt_.push_back(clock_());
    const auto question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view{} : target.substr(question + 1);

    if (path == kReadIpPath) return readIp(positional(query));
    if (path == kOfflinePath) return offline(positional(query));
    if (path == kReportPath) return report(positional(query), remoteAddress);
    if (path == kSettingsPath) return settingsPage(query);
    if (path == kTestPath) return testPage(positional(query));
    if (path == kSignUpPath)
        return page("Anmeldung",
                    "<p>Hier melden Sie sich für den Dienst an. Dieser Demo-Server nimmt "
                    "keine Anmeldungen entgegen.</p>");
    if (path == kDownloadPath)
        return page("Download",
                    "<p>Hier finden Sie AppToService und den Updater Velmora4 zum Herunterladen.</p>");
    if (path == kUpdatePagePath) return updatePage();
    if (path.starts_with(kUpdateFilePrefix)) return updateFile(path.substr(kUpdateFilePrefix.size()));
    if (path == kDemoSetPath) return demoSet(query);
    if (path == kDemoReplyPath) return demoReply(query);
    if (path == kDemoRequestsPath) return demoRequests(query);
    if (path == kNicUpdatePath) return nicUpdate(query, remoteAddress, authorization);
    return notFound();
}

DemoAccount* DemoService::find(std::string_view customer) {
    const auto it = accounts_.find(toLowerText(customer));
    return it == accounts_.end() ? nullptr : &it->second;
}

const DemoAccount* DemoService::find(std::string_view customer) const {
    const auto it = accounts_.find(toLowerText(customer));
    return it == accounts_.end() ? nullptr : &it->second;
}

bool DemoService::loginOk(const DemoAccount* account, std::string_view password) const {
    return account && toLowerText(account->password) == toLowerText(password);
}

// customer & password & version. The client does not escape its fields, so
// a password holding '&' arrives in pieces: the first part is the customer,
// the last the version, and everything between is the password.
DemoReply DemoService::readIp(const Parts& parts) {
    const std::string& customer = parts.front();
    std::string password;
    if (parts.size() == 2) password = parts[1];
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        if (i > 1) password += '&';
        password += parts[i];
    }

    if (auto queued = queued_.find(toLowerText(customer));
        queued != queued_.end() && !queued->second.empty()) {
        std::string reply = std::move(queued->second.front());
        queued->second.pop_front();
        return text(std::move(reply));
    }

    DemoAccount* account = find(customer);
    if (!loginOk(account, password)) return text("100;;Benutzerdaten falsch");

    ++account->acceptedRequests;
    const std::string command = std::exchange(account->command, std::string{});
    const std::string& version =
        account->newestVersion.empty() ? newestVersion_ : account->newestVersion;
    return text("220;;;" + account->status + "+" + account->serverIp + "+" + account->serverName +
                ";" + std::to_string(account->acceptedRequests) + ";" + account->accountClass +
                ";" + command + ";" + version + ";" + account->updateFile + ";;");
}

DemoReply DemoService::offline(const Parts& parts) {
    if (DemoAccount* account = find(parts.front())) ++account->offlineNotices;
    return text("221;");
}

// customer & password & status [& address [& name]]: the customer's own
// server tells its state. Values that would break the reply format or the
// client's hosts line are refused.
DemoReply DemoService::report(const Parts& parts, std::string_view remoteAddress) {
    if (parts.size() < 3 || parts.size() > 5) return text("FEHLER");
    DemoAccount* account = find(parts[0]);
    if (!loginOk(account, parts[1])) return text("FEHLER");
    const std::string& status = parts[2];
    const std::string address =
        parts.size() >= 4 && !parts[3].empty() ? parts[3] : std::string(remoteAddress);
    if (!allOf(status, kDigits) || status.size() > 3 || !allOf(address, kAddressChars))
        return text("FEHLER");
    if (parts.size() == 5 && !allOf(parts[4], kNameChars)) return text("FEHLER");

    account->status = status;
    account->serverIp = address;
    if (parts.size() == 5) account->serverName = parts[4];
    return text("OK");
}

DemoReply DemoService::settingsPage(std::string_view rawQuery) {
    const auto values = named(rawQuery);
    const std::string customer = valueOf(values, "name");
    const DemoAccount* account = find(customer);
    if (!loginOk(account, valueOf(values, "passwort")))
        return page("Benutzerdaten falsch",
                    "<p>Kundennummer oder Passwort sind nicht richtig.</p>");
    std::string body = "<p>Kundennummer: " + escapeHtml(account->customer) + "</p>\n<table>\n";
    body += "<tr><td>Kundenklasse</td><td>" + escapeHtml(account->accountClass) + "</td></tr>\n";
    body += "<tr><td>Firmenserver</td><td>" + escapeHtml(account->serverName) + "</td></tr>\n";
    body += "<tr><td>Adresse</td><td>" + escapeHtml(account->serverIp) + "</td></tr>\n";
    body += "<tr><td>Status</td><td>" + escapeHtml(account->status) + "</td></tr>\n</table>";
    return page("Einstellungen", body);
}

DemoReply DemoService::testPage(const Parts& parts) {
    const DemoAccount* account = find(parts.front());
    if (!account) return page("Verbindungstest", "<p>Unbekannte Kundennummer.</p>");
    const bool online = account->status == "50";
    std::string body = "<p>Firmenserver " + escapeHtml(account->serverName) + ": ";
    body += online ? "online unter der Adresse " + escapeHtml(account->serverIp) : std::string("offline");
    body += " (Status " + escapeHtml(account->status) + ").</p>";
    return page("Verbindungstest", body);
}

DemoReply DemoService::updatePage() const {
    return page("Software-Update",
                "<p>Die neueste Version von Tavik ist " + escapeHtml(newestVersion_) + ".</p>");
}

// Only plain file names inside the updates folder are served.
DemoReply DemoService::updateFile(std::string_view rawName) const {
    const std::string name = percentDecode(rawName);
    const bool plainName = !name.empty() && name.find_first_of("/\\") == std::string::npos &&
                           name.find("..") == std::string::npos &&
                           name.find('\0') == std::string::npos;
    if (!plainName)
        return page("Zugriff verweigert", "<p>Dieser Dateiname ist nicht erlaubt.</p>", 403);
    if (updatesDir_.empty()) return notFound();
    const std::filesystem::path file = updatesDir_ / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return notFound();
    std::ifstream in(file, std::ios::binary);
    if (!in) return notFound();
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return notFound();
    return DemoReply{200, "application/octet-stream", std::move(bytes), {}};
}

// Changes an account for tests and the demo; an unknown customer is created.
DemoReply DemoService::demoSet(std::string_view rawQuery) {
    const auto values = named(rawQuery, true);
    const std::string customer = valueOf(values, "user");
    if (customer.empty()) return text("FEHLER: user fehlt", 400);
    DemoAccount* account = find(customer);
    if (!account) {
        DemoAccount created;
        created.customer = customer;
        account = &(accounts_[toLowerText(customer)] = std::move(created));
    }
    const std::pair<const char*, std::string DemoAccount::*> fields[] = {
        {"password", &DemoAccount::password},   {"status", &DemoAccount::status},
        {"ip", &DemoAccount::serverIp},         {"name", &DemoAccount::serverName},
        {"class", &DemoAccount::accountClass},  {"command", &DemoAccount::command},
        {"version", &DemoAccount::newestVersion}, {"file", &DemoAccount::updateFile},
    };
    for (const auto& [field, member] : fields)
        if (const auto it = values.find(field); it != values.end()) account->*member = it->second;
    return text("OK");
}

DemoReply DemoService::demoReply(std::string_view rawQuery) {
    const auto values = named(rawQuery, true);
    const std::string customer = valueOf(values, "user");
    if (customer.empty() || !values.contains("body")) return text("FEHLER: user oder body fehlt", 400);
    queued_[toLowerText(customer)].push_back(values.at("body"));
    return text("OK");
}

// With times=1 each line starts with the time the request arrived, in
// seconds on the monotonic clock, so that a benchmark can measure how long a
// program took from its start to its first request.
DemoReply DemoService::demoRequests(std::string_view rawQuery) const {
    const bool withTimes = valueOf(named(rawQuery), "times") == "1";
    std::string list;
    for (std::size_t i = 0; i < requests_.size(); ++i) {
        if (withTimes) list += secondsText(receivedAt_[i]) + " ";
        list += requests_[i] + "\n";
    }
    return text(std::move(list));
}

// The dyndns2 update that common DynDNS clients send for the customer's own
// server: basic auth with customer number and password, hostname= the
// server's name (a comma-separated list is answered line by line), myip= its
// address. A missing or malformed myip means the caller's address, as with
// dyndns2 services. Answers "good IP" when the address changed, "nochg IP"
// when it did not.
DemoReply DemoService::nicUpdate(std::string_view rawQuery, std::string_view remoteAddress,
                                 std::string_view authorization) {
    const auto credentials = parseBasicAuth(authorization);
    DemoAccount* account = credentials ? find(credentials->user) : nullptr;
    if (!credentials || !loginOk(account, credentials->password)) {
        DemoReply refused = text("badauth", 401);
        refused.headers.emplace_back("WWW-Authenticate", "Basic realm=\"tavik6-demo\"");
        return refused;
    }

    const auto values = named(rawQuery);
    const std::string myip = valueOf(values, "myip");
    const std::string address = allOf(myip, kAddressChars) ? myip : std::string(remoteAddress);
    const std::string hostnames = valueOf(values, "hostname");
    std::string answer;
    std::size_t start = 0;
    while (true) {
        const auto comma = hostnames.find(',', start);
        const std::string host = hostnames.substr(start, comma - start);
        if (!answer.empty()) answer += '\n';
        if (!allOf(host, kNameChars)) {
            answer += "notfqdn";
        } else if (toLowerText(host) != toLowerText(account->serverName)) {
            answer += "nohost";
        } else if (address == account->serverIp) {
            answer += "nochg " + address;
        } else {
            account->serverIp = address;
            answer += "good " + address;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return text(std::move(answer));
}

}  // namespace tavik::demo
