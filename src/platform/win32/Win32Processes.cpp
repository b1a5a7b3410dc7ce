#include "platform/win32/Win32Processes.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "platform/posix/CommandLine.h"
#include "platform/win32/WideText.h"

namespace tavik {
namespace {

bool isProgramFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::path(toWide(path)), error);
}

}  // namespace

std::wstring Win32Processes::quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    // Backslashes count only before a quote: doubled there, and before the
    // closing quote; a quote in the text gets one backslash of its own.
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    quoted += L'"';
    return quoted;
}

bool Win32Processes::startWords(const std::vector<std::string>& words) {
    const auto started = launch(words);
    if (!started) return false;
    CloseHandle(started->process);
    return true;
}

std::optional<Win32Processes::Started> Win32Processes::launch(const std::vector<std::string>& words) {
    if (words.empty() || words[0].empty()) return std::nullopt;
    const std::wstring program = toWide(words[0]);
    // The program's own word is read up to the next quote, never unescaped.
    std::wstring line = L"\"" + program + L"\"";
    for (std::size_t i = 1; i < words.size(); ++i) line += L" " + quoteArgument(toWide(words[i]));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return std::nullopt;
    CloseHandle(process.hThread);
    return Started{process.hProcess, process.dwProcessId};
}

bool Win32Processes::start(const std::string& commandLine) {
    try {
        return startWords(splitCommandLine(commandLine, isProgramFile));
    } catch (...) {
        return false;
    }
}

bool Win32Processes::startProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    try {
        std::vector<std::string> words{fromWide(program.wstring())};
        words.insert(words.end(), arguments.begin(), arguments.end());
        return startWords(words);
    } catch (...) {
        return false;
    }
}

void Win32Processes::exitNow(int code) {
    // The standard streams hold their text in buffers of their own (the
    // console writer's), which _Exit would drop.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace tavik
