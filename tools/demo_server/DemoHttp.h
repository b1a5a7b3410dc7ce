#pragma once
#include <httplib.h>

#include "DemoService.h"

namespace tavik::demo {

// Hands one HTTP request to the service and copies its answer into the
// response: the glue between cpp-httplib and the service, kept apart from
// main() so the tests can check what passes through.
inline void answerRequest(DemoService& service, const httplib::Request& request,
                          httplib::Response& response) {
    DemoReply reply = service.handle(request.target, request.remote_addr,
                                     request.get_header_value("Authorization"));
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) response.set_header(name, value);
    response.set_content(reply.body, reply.contentType);
}

}  // namespace tavik::demo
