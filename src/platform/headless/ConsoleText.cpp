#include "platform/headless/ConsoleText.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/WideText.h"
#endif

#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <iostream>
#include <streambuf>
#endif

namespace tavik {

namespace {

// One line from standard input through the C library: the C++ streams would
// set up the whole locale machinery of the C++ library for good.
bool readLineFromStandardInput(std::string& line) {
    line.clear();
    int c = 0;
    while ((c = std::getc(stdin)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
    return c == '\n' || !line.empty();
}

}  // namespace

std::size_t completeUtf8Length(std::string_view text) {
    const std::size_t size = text.size();
    for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(text[size - back]);
        if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        std::size_t length = 1;
        if (byte >= 0xC0 && byte < 0xE0) length = 2;
        else if (byte >= 0xE0 && byte < 0xF0) length = 3;
        else if (byte >= 0xF0 && byte < 0xF8) length = 4;
        return length > back ? size - back : size;
    }
    // Nothing but continuation bytes at the end: malformed, nothing to wait for.
    return size;
}

#ifdef _WIN32

// The console writer, writeConsoleText, is in the platform facts library
// (see ConsoleOutput.h), so that writeConsole reaches it from every program.

bool readConsoleLine(std::string& line) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || input == nullptr || !GetConsoleMode(input, &mode))
        return readLineFromStandardInput(line);
    std::wstring wide;
    wchar_t buffer[256];
    while (wide.find(L'\n') == std::wstring::npos) {
        DWORD got = 0;
        if (!ReadConsoleW(input, buffer, static_cast<DWORD>(std::size(buffer)), &got, nullptr) || got == 0) {
            if (wide.empty()) return false;
            break;
        }
        wide.append(buffer, got);
    }
    // Ctrl-Z at the start of a line ends the input, as it does for the C runtime.
    if (!wide.empty() && wide.front() == L'\x1A') return false;
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r')) wide.pop_back();
    line = fromWide(wide);
    return true;
}

namespace {

// A stream buffer that hands its text to writeConsoleText, never cutting a
// UTF-8 sequence: a character split between two writes would otherwise come
// out as two replacement marks.
class ConsoleTextBuffer : public std::streambuf {
public:
    explicit ConsoleTextBuffer(std::FILE* stream) : stream_(stream) { setp(buffer_, buffer_ + sizeof buffer_); }

protected:
    int_type overflow(int_type c) override {
        writeComplete();
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
        return c;
    }

    int sync() override {
        writeComplete();
        std::fflush(stream_);
        return 0;
    }

private:
    void writeComplete() {
        const auto pending = static_cast<std::size_t>(pptr() - pbase());
        const std::size_t complete = completeUtf8Length(std::string_view(pbase(), pending));
        writeConsoleText(stream_, std::string_view(pbase(), complete));
        // At most the three first bytes of one character stay behind.
        std::memmove(buffer_, buffer_ + complete, pending - complete);
        setp(buffer_, buffer_ + sizeof buffer_);
        pbump(static_cast<int>(pending - complete));
    }

    std::FILE* stream_;
    char buffer_[1024];
};

}  // namespace

void useConsoleTextForStandardStreams() {
    // Kept for the whole process: the streams flush into them at its very end.
    static auto* out = new ConsoleTextBuffer(stdout);
    static auto* err = new ConsoleTextBuffer(stderr);
    std::cout.rdbuf(out);
    std::cerr.rdbuf(err);
    std::clog.rdbuf(err);
}

#else

void writeConsoleText(std::FILE* stream, std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

bool readConsoleLine(std::string& line) { return readLineFromStandardInput(line); }

void useConsoleTextForStandardStreams() {}

#endif

}  // namespace tavik
