// AppToService.exe: registers a program of this folder as a Windows service.
//
//   AppToService /Install /Startup:A "<folder>/" <program>" [/Arguments:"<arguments>"]
//   AppToService /Remove "<service>"
//
// The command lines are the ones the program builds. The service is named
// after the program without ".exe" ("Tavik6"). Its process is this tool,
// started by the service control manager as
//   AppToService --service "<name>" "<program>" "<arguments>" [NAME=VALUE ...]
// which starts the program with the TAVIK_* settings the caller had, and on
// the service's stop closes the program's event loop window, so that the
// program runs its ordinary exit sequence. Exit status: 0 done, 1 failed,
// 2 command line not understood.

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "ServiceCommand.h"
#include "platform/PlatformFacts.h"
#include "platform/headless/ConsoleText.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/WideText.h"

namespace {

using namespace tavik;
using namespace tavik::servicetool;

constexpr const wchar_t* kLoopWindowClass = L"Tavik6EventLoop";
constexpr DWORD kStopWaitMs = 30000;

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "Tavik6.exe" names the service "Tavik6", as the remove command does.
std::string serviceNameOf(const std::string& program) {
    const std::string suffix = kExecutableSuffix;
    if (program.size() > suffix.size() && lower(program.substr(program.size() - suffix.size())) == suffix)
        return program.substr(0, program.size() - suffix.size());
    return program;
}

std::wstring ownPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

struct Manager {
    SC_HANDLE handle = nullptr;
    explicit Manager(DWORD access) : handle(OpenSCManagerW(nullptr, nullptr, access)) {}
    ~Manager() {
        if (handle) CloseServiceHandle(handle);
    }
};

void failed(const char* what) {
    std::cerr << "AppToService: " << what << ": " << systemErrorText(GetLastError()) << "\n";
}

int install(const ServiceCommand& command) {
    const std::filesystem::path program = command.program;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(program, ec)) {
        std::cerr << "AppToService: Programm nicht gefunden: " << fromWide(program.wstring()) << "\n";
        return 1;
    }
    const std::string name = serviceNameOf(command.serviceName);
    std::wstring line = Win32Processes::quoteArgument(ownPath()) + L" --service " +
                        Win32Processes::quoteArgument(toWide(name)) + L" " +
                        Win32Processes::quoteArgument(program.wstring()) + L" " +
                        Win32Processes::quoteArgument(toWide(command.arguments));
    // The service runs with the settings of the program that registered it.
    for (const wchar_t* variable : {L"TAVIK_HOSTS_FILE", L"TAVIK_SERVICE_HOST", L"TAVIK_UPDATE_HOST"}) {
        const std::string value = Win32Environment::variable(variable);
        if (!value.empty()) line += L" " + Win32Processes::quoteArgument(std::wstring(variable) + L"=" + toWide(value));
    }
    const DWORD start = command.startup == StartupMode::Automatic ? SERVICE_AUTO_START
                        : command.startup == StartupMode::Manual  ? SERVICE_DEMAND_START
                                                                  : SERVICE_DISABLED;
    Manager manager(SC_MANAGER_CREATE_SERVICE);
    if (!manager.handle) return failed("Dienstverwaltung nicht erreichbar"), 1;
    SC_HANDLE service = CreateServiceW(manager.handle, toWide(name).c_str(), toWide(name).c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, start, SERVICE_ERROR_NORMAL, line.c_str(), nullptr,
                                       nullptr, nullptr, nullptr, nullptr);
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = OpenServiceW(manager.handle, toWide(name).c_str(), SERVICE_CHANGE_CONFIG);
        if (service && !ChangeServiceConfigW(service, SERVICE_WIN32_OWN_PROCESS, start, SERVICE_ERROR_NORMAL,
                                             line.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
            failed("Dienst nicht geändert");
            CloseServiceHandle(service);
            return 1;
        }
    }
    if (!service) return failed("Dienst nicht eingetragen"), 1;
    CloseServiceHandle(service);
    std::cout << "AppToService: Dienst eingetragen: " << name
              << (start == SERVICE_AUTO_START ? ", startet beim Hochfahren." : ", startet nur von Hand.") << "\n";
    return 0;
}

int remove(const ServiceCommand& command) {
    Manager manager(SC_MANAGER_CONNECT);
    if (!manager.handle) return failed("Dienstverwaltung nicht erreichbar"), 1;
    SC_HANDLE service = OpenServiceW(manager.handle, toWide(command.serviceName).c_str(),
                                     SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    if (!service) {
        if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
            std::cout << "AppToService: Dienst war nicht eingetragen: " << command.serviceName << "\n";
            return 0;
        }
        return failed("Dienst nicht geöffnet"), 1;
    }
    SERVICE_STATUS status{};
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        for (int i = 0; i < 600 && status.dwCurrentState != SERVICE_STOPPED; ++i) {
            Sleep(100);
            if (!QueryServiceStatus(service, &status)) break;
        }
    }
    const bool deleted = DeleteService(service);
    if (!deleted) failed("Dienst nicht entfernt");
    CloseServiceHandle(service);
    if (deleted) std::cout << "AppToService: Dienst entfernt: " << command.serviceName << "\n";
    return deleted ? 0 : 1;
}

// -- the service process

struct Hosted {
    std::wstring name;
    std::wstring program;
    std::wstring arguments;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    SERVICE_STATUS status{};
    HANDLE stopRequested = nullptr;
} g_service;

void report(DWORD state, DWORD exitCode = NO_ERROR) {
    g_service.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_service.status.dwCurrentState = state;
    g_service.status.dwWin32ExitCode = exitCode;
    g_service.status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    g_service.status.dwWaitHint = state == SERVICE_STOP_PENDING ? kStopWaitMs : 0;
    SetServiceStatus(g_service.statusHandle, &g_service.status);
}

DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
    if (code == SERVICE_CONTROL_STOP || code == SERVICE_CONTROL_SHUTDOWN) {
        report(SERVICE_STOP_PENDING);
        SetEvent(g_service.stopRequested);
    }
    return NO_ERROR;
}

// The program's own event loop window; WM_CLOSE there runs its exit sequence.
HWND loopWindowOf(DWORD processId) {
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, kLoopWindowClass, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, kLoopWindowClass, nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

void WINAPI serviceMain(DWORD, wchar_t**) {
    g_service.statusHandle = RegisterServiceCtrlHandlerExW(g_service.name.c_str(), &control, nullptr);
    if (!g_service.statusHandle) return;
    g_service.stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    report(SERVICE_START_PENDING);

    std::wstring line = Win32Processes::quoteArgument(g_service.program);
    if (!g_service.arguments.empty()) line += L" " + Win32Processes::quoteArgument(g_service.arguments);
    const std::wstring folder = std::filesystem::path(g_service.program).parent_path().wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(g_service.program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.c_str(), &startup, &process)) {
        report(SERVICE_STOPPED, GetLastError());
        return;
    }
    CloseHandle(process.hThread);
    report(SERVICE_RUNNING);

    HANDLE both[] = {process.hProcess, g_service.stopRequested};
    if (WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        // Asked to stop: the program ends itself through its exit sequence,
        // which sends the offline notice and removes its hosts line.
        const HWND window = loopWindowOf(process.dwProcessId);
        if (window) PostMessageW(window, WM_CLOSE, 0, 0);
        if (!window || WaitForSingleObject(process.hProcess, kStopWaitMs) != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hProcess);
    report(SERVICE_STOPPED, exitCode == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR);
}

int runService(int count, wchar_t** words) {
    if (count < 5) return 2;
    g_service.name = words[2];
    g_service.program = words[3];
    g_service.arguments = words[4];
    for (int i = 5; i < count; ++i) {
        const std::wstring setting = words[i];
        const auto equals = setting.find(L'=');
        if (equals != std::wstring::npos && equals > 0)
            SetEnvironmentVariableW(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str());
    }
    // A service has no desktop to show a tray icon or a message box on.
    SetEnvironmentVariableW(L"TAVIK_HEADLESS", L"1");
    SERVICE_TABLE_ENTRYW table[] = {{g_service.name.data(), &serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}

}  // namespace

int main() {
    useConsoleTextForStandardStreams();
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return 1;
    if (count >= 2 && std::wstring(wide[1]) == L"--service") return runService(count, wide);

    std::vector<std::string> words;
    for (int i = 1; i < count; ++i) words.push_back(fromWide(wide[i]));
    std::string error;
    const auto command = parseServiceCommand(words, error);
    if (!command) {
        std::cerr << "AppToService: Befehlszeile nicht verstanden: " << error << "\n"
                  << "Aufruf:\n"
                     "  AppToService /Install /Startup:A \"<Programmordner>/\" <Programm> [/Arguments:\"<Argumente>\"]\n"
                     "  AppToService /Remove \"<Dienst>\"\n";
        return 2;
    }
    return command->action == ServiceAction::Install ? install(*command) : remove(*command);
}
