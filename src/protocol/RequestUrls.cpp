#include "protocol/RequestUrls.h"

#include "text/TextCase.h"

namespace tavik {
namespace {

std::string httpUrl(const std::string& host, const std::string& pathAndQuery) {
    return "http://" + host + pathAndQuery;
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

std::string updateFileUrl(const std::string& updateHost, const std::string& fileName) {
    return httpUrl(updateHost, "/update/" + fileName);
}

std::string updatePageUrl(const std::string& updateHost) {
    return httpUrl(updateHost, "/tavik/update.htm");
}

}  // namespace tavik
