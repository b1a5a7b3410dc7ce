#include "platform/win32/Win32Environment.h"

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <thread>
#include <vector>

#include "platform/posix/CommandLine.h"
#include "platform/win32/WideText.h"

namespace tavik {
namespace {

std::filesystem::path runningProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    while (true) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::filesystem::current_path();
        if (length < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
        buffer.resize(buffer.size() * 2);
    }
}

std::string variableOr(const wchar_t* name, const char* fallback) {
    const std::string value = Win32Environment::variable(name);
    return value.empty() ? fallback : value;
}

}  // namespace

Win32Environment::Win32Environment() : folder_(runningProgramFolder()), commandLine_(joinArguments(arguments())) {}

std::vector<std::string> Win32Environment::arguments() {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!words) return {};
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i) result.push_back(fromWide(words[i]));
    LocalFree(words);
    return result;
}

std::string Win32Environment::variable(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return fromWide(value);
}

std::string profileMutexName(const std::string& profile) {
    // Profiles match without regard to case, as the registry's keys do:
    // "BÜRO" is the settings of "Büro", so it must be the same claim. A
    // backslash would name a namespace, so it stands as a slash.
    std::wstring lowered = toWide(profile);
    if (!lowered.empty()) CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
    std::string name = "Global\\Tavik6-Profil-";
    for (char c : fromWide(lowered)) name += c == '\\' ? '/' : c;
    if (name.size() > 200) name = name.substr(0, 180) + "-" + std::to_string(std::hash<std::string>{}(name));
    return name;
}

ProfileClaim Win32Environment::claimProfile(const std::string& profile) {
    // Kept open until the process ends, which releases it.
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, toWide(profileMutexName(profile)).c_str());
    if (mutex == nullptr) return ProfileClaim::Unchecked;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return ProfileClaim::InUse;
    }
    return ProfileClaim::Claimed;
}

std::string Win32Environment::serviceHost() const {
    return variableOr(L"TAVIK_SERVICE_HOST", TAVIK_DEFAULT_SERVICE_HOST);
}

std::string Win32Environment::updateHost() const {
    return variableOr(L"TAVIK_UPDATE_HOST", TAVIK_DEFAULT_UPDATE_HOST);
}

std::filesystem::path Win32Environment::hostsFile() const {
    const std::string configured = variable(L"TAVIK_HOSTS_FILE");
    if (!configured.empty()) return std::filesystem::path(toWide(configured));
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    // The 32-bit program reaches the same file: drivers\etc is exempt from
    // the System32 redirection of 64-bit Windows.
    return std::filesystem::path(std::wstring(windows, length)) / L"System32" / L"drivers" / L"etc" / L"hosts";
}

LocalDateTime Win32Clock::now() const {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

void Win32Clock::sleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace tavik
