#include "DemoAccounts.h"

#include <sstream>

namespace tavik::demo {

std::optional<std::vector<DemoAccount>> parseAccounts(std::istream& in, std::string& error) {
    std::vector<DemoAccount> accounts;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream fields(line);  // blanks, tabs and a trailing CR all separate
        std::vector<std::string> parts;
        for (std::string field; fields >> field;) {
            if (parts.size() >= 6 && field.front() == '#') break;
            parts.push_back(field);
        }
        if (parts.empty() || parts.front().front() == '#') continue;
        if (parts.size() < 6 || parts.size() > 7) {
            error = "line " + std::to_string(lineNumber) +
                    ": expected customer password class server-name server-ip status [update-file]";
            return std::nullopt;
        }
        DemoAccount account;
        account.customer = parts[0];
        account.password = parts[1];
        account.accountClass = parts[2];
        account.serverName = parts[3];
        account.serverIp = parts[4];
        account.status = parts[5];
        if (parts.size() == 7) account.updateFile = parts[6];
        accounts.push_back(std::move(account));
    }
    return accounts;
}

}  // namespace tavik::demo
