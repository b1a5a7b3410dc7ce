#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace tavik::demo {

struct Credentials {
    std::string user;
    std::string password;
};

// Reads the value of an "Authorization: Basic ..." header. Gives nothing for
// any other scheme, broken base64 or a decoded text without ':'.
std::optional<Credentials> parseBasicAuth(std::string_view headerValue);

}  // namespace tavik::demo
