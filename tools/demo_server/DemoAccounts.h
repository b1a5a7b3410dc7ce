#pragma once
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace tavik::demo {

// One customer of the demo service and the state of that customer's server.
struct DemoAccount {
    std::string customer;
    std::string password;
    std::string accountClass;
    std::string serverName;
    std::string serverIp;
    std::string status;
    std::string updateFile;
    std::string newestVersion;  // empty: the version the whole service announces
    std::string command;        // sent with the next accepted request only
    int acceptedRequests = 0;
    int offlineNotices = 0;
};

// Reads an accounts file: one account a line, fields separated by blanks,
//   customer password class server-name server-ip status [update-file]
// Lines starting with '#' are comments, and so is anything from a field that
// starts with '#' after the six required ones (a password may start with '#').
// On a malformed line gives nothing and says which line in `error`.
std::optional<std::vector<DemoAccount>> parseAccounts(std::istream& in, std::string& error);

}  // namespace tavik::demo
