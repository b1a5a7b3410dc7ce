#include "ServiceCommand.h"

#include <algorithm>
#include <cctype>

namespace tavik::servicetool {
namespace {

// The command line arrives as UTF-8; a path built from std::string would
// read it in the ANSI code page on Windows and garble a folder like
// "C:/Users/Jürgen/".
std::filesystem::path utf8Path(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string lowerAscii(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && lowerAscii(text.substr(0, prefix.size())) == lowerAscii(prefix);
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The first word and the rest after its blank.
std::pair<std::string, std::string> splitFirstWord(const std::string& text) {
    const auto blank = text.find(' ');
    if (blank == std::string::npos) return {text, {}};
    return {text.substr(0, blank), trim(text.substr(blank + 1))};
}

bool hasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

std::optional<StartupMode> startupMode(const std::string& value) {
    const std::string v = lowerAscii(value);
    if (v == "a") return StartupMode::Automatic;
    if (v == "m") return StartupMode::Manual;
    if (v == "d") return StartupMode::Disabled;
    return std::nullopt;
}

std::optional<ServiceCommand> parseRemove(const std::string& rest, std::string& error) {
    ServiceCommand command;
    command.action = ServiceAction::Remove;
    command.serviceName = rest;
    if (!validServiceName(command.serviceName)) {
        error = "/Remove erwartet einen Dienstnamen aus Buchstaben, Ziffern, \"_\", \"-\", \".\" oder \":\".";
        return std::nullopt;
    }
    return command;
}

std::optional<ServiceCommand> parseInstall(std::string rest, std::string& error) {
    ServiceCommand command;
    command.action = ServiceAction::Install;
    while (startsWithIgnoringCase(rest, "/Startup:")) {
        auto [word, after] = splitFirstWord(rest);
        const auto mode = startupMode(word.substr(std::string("/Startup:").size()));
        if (!mode) {
            error = "Unbekannte Startart " + word + " (erlaubt: /Startup:A, /Startup:M, /Startup:D).";
            return std::nullopt;
        }
        command.startup = *mode;
        rest = after;
    }

    std::string location = rest;
    const std::string marker = "/arguments:";
    const auto argumentsAt = lowerAscii(rest).find(" " + marker);
    if (argumentsAt != std::string::npos) {
        location = trim(rest.substr(0, argumentsAt));
        command.arguments = trim(rest.substr(argumentsAt + 1 + marker.size()));
    }

    // "<folder>/ <program>": the folder ends at the last "/" before a blank;
    // a program given with its whole path ends at its last "/".
    auto folderEnd = location.rfind("/ ");
    std::size_t nameStart = folderEnd == std::string::npos ? std::string::npos : folderEnd + 2;
    if (folderEnd == std::string::npos) {
        folderEnd = location.rfind('/');
        nameStart = folderEnd == std::string::npos ? std::string::npos : folderEnd + 1;
    }
    if (folderEnd == std::string::npos || !utf8Path(location.substr(0, folderEnd + 1)).is_absolute()) {
        error = "/Install erwartet den absoluten Programmordner mit \"/\" am Ende und den Programmnamen.";
        return std::nullopt;
    }
    const std::string folder = location.substr(0, folderEnd + 1);
    command.serviceName = trim(location.substr(nameStart));
    if (!validServiceName(command.serviceName)) {
        error = "Unzulässiger Programmname \"" + command.serviceName +
                "\": erlaubt sind Buchstaben, Ziffern, \"_\", \"-\", \".\" und \":\".";
        return std::nullopt;
    }
    if (hasControlCharacter(folder) || hasControlCharacter(command.arguments)) {
        error = "Programmordner und Argumente dürfen keine Steuerzeichen enthalten.";
        return std::nullopt;
    }
    command.program = utf8Path(folder).lexically_normal() / utf8Path(command.serviceName);
    return command;
}

}  // namespace

bool validServiceName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
    });
}

std::optional<ServiceCommand> parseServiceCommand(const std::vector<std::string>& words, std::string& error) {
    std::string line;
    for (const auto& word : words) {
        if (!line.empty()) line += ' ';
        line += word;
    }
    line.erase(std::remove(line.begin(), line.end(), '"'), line.end());
    line = trim(line);

    const auto [action, rest] = splitFirstWord(line);
    if (lowerAscii(action) == "/install") return parseInstall(rest, error);
    if (lowerAscii(action) == "/remove") return parseRemove(rest, error);
    error = line.empty() ? "Keine Befehlszeile angegeben."
                         : "Erwartet wird /Install oder /Remove, nicht \"" + action + "\".";
    return std::nullopt;
}

}  // namespace tavik::servicetool
