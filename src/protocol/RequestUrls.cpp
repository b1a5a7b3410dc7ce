#include "protocol/RequestUrls.h"

#include <string_view>

#include "text/TextCase.h"

namespace tavik {
namespace {

constexpr std::string_view kPlainScheme = "http://";
constexpr std::string_view kSecureScheme = "https://";

// True when the configured host asks for TLS: "https://" in front.
bool wantsTls(const std::string& configured) {
    return toLowerText(configured.substr(0, kSecureScheme.size())) == kSecureScheme;
}

// The host as configured, without an "http://" or "https://" in front and
// "/" behind, which users often write and which would otherwise end up in the
// address twice.
std::string bareHost(const std::string& configured) {
    std::string host = configured;
    if (wantsTls(host))
        host.erase(0, kSecureScheme.size());
    else if (toLowerText(host.substr(0, kPlainScheme.size())) == kPlainScheme)
        host.erase(0, kPlainScheme.size());
    while (!host.empty() && host.back() == '/') host.pop_back();
    return host;
}

// The address on the configured host with the scheme it was written with:
// https only when asked for, plain http otherwise, as the service has always
// been reached.
std::string httpUrl(const std::string& host, const std::string& pathAndQuery) {
    return std::string(wantsTls(host) ? kSecureScheme : kPlainScheme) + bareHost(host) + pathAndQuery;
}

}  // namespace

std::string ipRequestUrl(const std::string& serviceHost, const std::string& user,
                         const std::string& passwort, const std::string& progVersion) {
    return httpUrl(serviceHost, "/cgi-bin/server/tavik6/readip6.cgi?" + toLowerText(user) + "&" +
                                    toLowerText(passwort) + "&" + progVersion);
}

std::string offlineNoticeUrl(const std::string& serviceHost, const std::string& user) {
    return httpUrl(serviceHost, "/cgi-bin/server/offline.cgi?" + toLowerText(user));
}

std::string settingsPageUrl(const std::string& serviceHost, const std::string& name,
                            const std::string& passwort) {
    return httpUrl(serviceHost, "/cgi-bin/server/tavik6/edit.cgi?name=" + name + "&passwort=" + passwort);
}

std::string signUpPageUrl(const std::string& serviceHost) {
    return httpUrl(serviceHost, "/V5/de/anmeldung.shtml");
}

std::string testPageUrl(const std::string& serviceHost, const std::string& user) {
    return httpUrl(serviceHost, "/cgi-bin/server/server.cgi?" + user);
}

std::string downloadPageUrl(const std::string& serviceHost) {
    return httpUrl(serviceHost, "/V5/de/download.shtml");
}

bool isUsableHost(const std::string& configured) {
    const std::string host = bareHost(configured);
    if (host.empty() || host.front() == ':') return false;
    for (const char c : host) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '.' && c != '-' && c != '_' && c != ':' && c != '[' && c != ']') return false;
    }
    return true;
}

std::string updateFileUrl(const std::string& updateHost, const std::string& fileName) {
    return httpUrl(updateHost, "/update/" + fileName);
}

std::string updatePageUrl(const std::string& updateHost) {
    return httpUrl(updateHost, "/tavik/update.htm");
}

}  // namespace tavik
