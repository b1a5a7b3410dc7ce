#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "hosts/HostsEntry.h"

namespace tavik {
namespace {

// Our own address check must agree with the system's strict parser.
TEST(AddressCheck, AgreesWithInetPton) {
    const char* inputs[] = {
        "1.2.3.4", "0.0.0.0", "255.255.255.255", "256.1.1.1", "1.2.3", "1.2.3.4.5", "127.1", "0x7f.0.0.1",
        "010.0.0.1", "0.01.0.0", "1..2.3", ".1.2.3", "1.2.3.", "1.2.3.4 ", " 1.2.3.4", "1.2.3.4\n5.6.7.8",
        "1.2.3.-4", "+1.2.3.4", "1e2.0.0.1", "", "::", "::1", ":::", ":", "1::", "::1:", ":1::", "1:2:3:4:5:6:7:8",
        "1:2:3:4:5:6:7:8:9", "1:2:3:4:5:6:7::", "::2:3:4:5:6:7:8", "1::2:3:4:5:6:7:8", "1:2:3:4:5:6:7:8::",
        "1::2::3", "12345::1", "01234::1", "abcd::ABCD", "g::1", "fe80::1%eth0", "::ffff:1.2.3.4",
        "::1.2.3.4", "1:2:3:4:5:6:1.2.3.4", "1:2:3:4:5:6:7:1.2.3.4", "::ffff:1.2.3", "::ffff:01.2.3.4",
        "1.2.3.4::", "::1.2.3.4:1", "1::1.2.3.4", "[::1]", "::ffff:256.1.1.1", "::1 evil", "1:2:3:4:5:6:7:8:",
        "a:b:c:d:e:f:1.2.3.4", "::a.2.3.4", "::1234.1.1.1", "0:0:0:0:0:0:0:0", "1:2:3:4:5::1.2.3.4",
    };
    for (const char* input : inputs) {
        unsigned char buffer[16];
        const bool v4 = ::inet_pton(AF_INET, input, buffer) == 1;
        const bool v6 = ::inet_pton(AF_INET6, input, buffer) == 1;
        EXPECT_EQ(isValidIPv4(input), v4) << input;
        EXPECT_EQ(isValidIPv6(input), v6) << input;
        EXPECT_EQ(isValidHostsAddress(input), v4 || v6) << input;
    }
}

}  // namespace
}  // namespace tavik
