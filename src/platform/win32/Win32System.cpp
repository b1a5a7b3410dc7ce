#include "platform/win32/Win32System.h"

#include <windows.h>
#include <ras.h>
#include <raserror.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/win32/WideText.h"

namespace tavik {

std::optional<OsVersion> Win32Session::version() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return std::nullopt;
#pragma GCC diagnostic pop
    return OsVersion{static_cast<int>(info.dwPlatformId), static_cast<int>(info.dwMajorVersion)};
}

bool Win32Session::acquireShutdownRight() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool held = false;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
        held = AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
               GetLastError() != ERROR_NOT_ALL_ASSIGNED;
    }
    CloseHandle(token);
    return held;
}

bool Win32Session::endShell() {
    const HWND shell = FindWindowW(L"Progman", L"Program Manager");
    if (!shell) return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(shell, &processId);
    if (processId == 0) return false;
    const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    if (!process) return false;
    TerminateProcess(process, 1);
    CloseHandle(process);
    return true;
}

bool Win32Session::exitSession(unsigned flags) {
    return ExitWindowsEx(flags, SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_FLAG_PLANNED) != 0;
}

bool RasDialUp::firstConnectionConnected() {
    std::vector<RASCONNW> connections;
    DWORD count = 0;
    DWORD result = ERROR_BUFFER_TOO_SMALL;
    // Asked again with the size the service names when the first guess is short.
    for (std::size_t capacity = 4; result == ERROR_BUFFER_TOO_SMALL && capacity <= 4096;) {
        RASCONNW empty{};
        empty.dwSize = sizeof(RASCONNW);
        connections.assign(capacity, empty);
        DWORD bytes = static_cast<DWORD>(capacity * sizeof(RASCONNW));
        result = RasEnumConnectionsW(connections.data(), &bytes, &count);
        capacity = std::max<std::size_t>(capacity * 2, bytes / sizeof(RASCONNW) + 1);
    }
    if (result != ERROR_SUCCESS || count == 0) return false;
    RASCONNSTATUSW status{};
    status.dwSize = sizeof status;
    return RasGetConnectStatusW(connections[0].hrasconn, &status) == ERROR_SUCCESS &&
           status.rasconnstate == RASCS_Connected;
}

std::string Win32BrowserLookup::findBrowser() {
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (SUCCEEDED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, L"http", L"open", path, &size)) &&
        path[0] != L'\0')
        return fromWide(path);
    // FindExecutableW wants an existing file of the kind.
    std::error_code error;
    const std::filesystem::path page = std::filesystem::temp_directory_path(error) / L"tavik6-browser-probe.html";
    if (error) return {};
    std::ofstream(page) << "<html></html>";
    wchar_t found[MAX_PATH] = {};
    const auto result = reinterpret_cast<INT_PTR>(FindExecutableW(page.c_str(), nullptr, found));
    std::filesystem::remove(page, error);
    return result > 32 ? fromWide(found) : std::string();
}

}  // namespace tavik
