#pragma once
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavik::robustness {

// Asks glibc's and musl's getaddrinfo about names, with a given hosts file in
// the place of /etc/hosts, through the two builds of the resolve program.
class Resolvers {
public:
    // The resolve programs in `folder`; by default the folder of the running test.
    explicit Resolvers(std::filesystem::path folder = ownFolder());

    // Why names cannot be resolved here; empty when they can.
    const std::string& unavailable() const { return unavailable_; }

    // Name -> its addresses joined by blanks, or "-"; nothing when the program failed.
    std::optional<std::map<std::string, std::string>> resolve(const std::string& library,
                                                              const std::filesystem::path& hosts,
                                                              const std::set<std::string>& names) const;

    // With `after` as the hosts file, `name` must resolve to exactly `address`
    // (to nothing when `address` is empty) through both libraries, and every
    // other name of either file must answer as it did with `before`. Returns
    // the differences, one a line; empty when there are none.
    std::string disagreements(const std::string& before, const std::string& after, const std::string& name,
                              const std::string& address) const;

    static const std::vector<std::string>& libraries();
    static std::filesystem::path ownFolder();

private:
    std::filesystem::path folder_;
    std::string unavailable_;
};

// The names a hosts file gives an address to.
std::set<std::string> hostsNames(const std::string& content);

}  // namespace tavik::robustness
