#pragma once
#include <array>
#include <cstddef>
#include <string>

namespace tavik {

constexpr std::size_t kReplyFieldCount = 11;

// The server's reply cut at ";": fields 0 to 10, missing ones empty; an
// eleventh ";" and everything behind it are dropped. The line end most CGI
// scripts put after the body (CR and LF at its very end) is cut off first;
// the fields are not trimmed otherwise.
struct ReplyFields {
    std::array<std::string, kReplyFieldCount> field{};

    double code() const;  // field 0 read as a number; 0 when there is none
};

ReplyFields splitReply(const std::string& reply);

// Field 3, "status+address+name", split at its first two "+"; the name part
// keeps any further "+". A field with fewer than two "+" leaves the missing
// parts empty and is marked incomplete.
struct ServerStatus {
    std::string status;
    std::string address;
    std::string name;
    bool complete = false;

    double number() const;  // the status part read as a number
};

ServerStatus splitStatus(const std::string& field);

}  // namespace tavik
