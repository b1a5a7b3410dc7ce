#include "protocol/ReplyFields.h"

#include "text/Val.h"

namespace tavik {

double ReplyFields::code() const { return Val(field[0]); }

ReplyFields splitReply(const std::string& body) {
    // Left on, the line end would become part of the last field: of the
    // version, the status or the message.
    const std::string reply = body.substr(0, body.find_last_not_of("\r\n") + 1);
    ReplyFields fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < kReplyFieldCount; ++i) {
        const std::size_t end = reply.find(';', start);
        if (end == std::string::npos) {
            fields.field[i] = reply.substr(start);
            break;
        }
        fields.field[i] = reply.substr(start, end - start);
        start = end + 1;
    }
    return fields;
}

double ServerStatus::number() const { return Val(status); }

ServerStatus splitStatus(const std::string& field) {
    ServerStatus parts;
    const std::size_t first = field.find('+');
    parts.status = field.substr(0, first);
    if (first == std::string::npos) return parts;
    const std::size_t second = field.find('+', first + 1);
    parts.address = field.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    if (second == std::string::npos) return parts;
    parts.name = field.substr(second + 1);
    parts.complete = true;
    return parts;
}

}  // namespace tavik
