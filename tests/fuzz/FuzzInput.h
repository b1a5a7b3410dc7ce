#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavik::fuzz {

// Parts of one fuzz input are separated by the record-separator byte 0x1E,
// so every other byte (NUL, CR, LF, 0xFF) can occur inside a part.
inline constexpr char kPartSeparator = '\x1e';

// The input cut into at most `maxParts` parts (at least one); the last part
// keeps the rest, separators included.
inline std::vector<std::string> splitParts(const std::uint8_t* data, std::size_t size,
                                           std::size_t maxParts) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const std::size_t end = input.find(kPartSeparator, start);
        if (end == std::string::npos) break;
        parts.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(input.substr(start));
    return parts;
}

// The input as exactly `count` fields; missing ones are empty.
inline std::vector<std::string> splitFields(const std::uint8_t* data, std::size_t size,
                                            std::size_t count) {
    std::vector<std::string> parts = splitParts(data, size, count);
    parts.resize(count);
    return parts;
}

}  // namespace tavik::fuzz

// A broken invariant ends the run with a message; libFuzzer then keeps the
// input as a crash file. Not assert(): that vanishes in builds with NDEBUG.
#define FUZZ_CHECK(condition, what)                                                        \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", what, __FILE__, __LINE__); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)
