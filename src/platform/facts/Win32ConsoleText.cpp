#include "platform/ConsoleOutput.h"

#include <windows.h>
#include <io.h>

#include <string>

#include "platform/win32/WideText.h"

namespace tavik {

namespace {

// The console behind `stream`, or null when it leads to a pipe, a file or
// nowhere.
HANDLE consoleOf(std::FILE* stream) {
    const int descriptor = _fileno(stream);
    if (descriptor < 0) return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
    return handle;
}

// Writes all of `wide` to the console; false when the console took nothing.
bool writeWide(HANDLE console, std::wstring_view wide) {
    constexpr std::size_t kChunk = 8192;
    bool wroteAny = false;
    while (!wide.empty()) {
        std::size_t chunk = wide.size() < kChunk ? wide.size() : kChunk;
        // A surrogate pair stays together.
        if (chunk < wide.size() && wide[chunk - 1] >= 0xD800 && wide[chunk - 1] <= 0xDBFF) --chunk;
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data(), static_cast<DWORD>(chunk), &written, nullptr) || written == 0)
            return wroteAny;
        wroteAny = true;
        wide.remove_prefix(written);
    }
    return true;
}

}  // namespace

void writeConsoleText(std::FILE* stream, std::string_view utf8) {
    if (utf8.empty()) return;
    if (const HANDLE console = consoleOf(stream)) {
        // What the C runtime still holds comes first.
        std::fflush(stream);
        if (writeWide(console, toWide(utf8))) return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

}  // namespace tavik
