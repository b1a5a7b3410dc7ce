#pragma once
#include <string>

namespace tavik {

// The addresses the program asks for. Nothing is escaped here: the server's
// scripts read their parameters as they stand, and the transfer encodes only
// what HTTP itself cannot carry.

// The IP request of every cycle; customer number and password in lower case.
std::string ipRequestUrl(const std::string& serviceHost, const std::string& user,
                         const std::string& passwort, const std::string& progVersion);
// The offline notice at exit; it carries the customer number only.
std::string offlineNoticeUrl(const std::string& serviceHost, const std::string& user);
// The online settings page, with the texts exactly as the user typed them.
std::string settingsPageUrl(const std::string& serviceHost, const std::string& name,
                            const std::string& passwort);
std::string signUpPageUrl(const std::string& serviceHost);
std::string testPageUrl(const std::string& serviceHost, const std::string& user);
std::string downloadPageUrl(const std::string& serviceHost);
// True when a configured web server can be asked: host or host:port, an
// IPv6 address in brackets, optionally written with "http://" or "https://"
// in front and a "/" behind. The addresses above use https only when the host
// is written with "https://"; they never carry the "/".
bool isUsableHost(const std::string& configured);

// A file and the update page on the update web server.
std::string updateFileUrl(const std::string& updateHost, const std::string& fileName);
std::string updatePageUrl(const std::string& updateHost);

}  // namespace tavik
