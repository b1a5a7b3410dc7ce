#include "ServiceUnit.h"

#include <cctype>

namespace tavik::servicetool {
namespace {

std::string escaped(const std::string& text, bool dollarIsSpecial) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        if (c == '%') out += '%';
        if (c == '$' && dollarIsSpecial) out += '$';
        out += c;
    }
    return out + "\"";
}

}  // namespace

std::string unitFileName(const std::string& serviceName) {
    std::string name = serviceName;
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + ".service";
}

std::string quoteExecWord(const std::string& word) { return escaped(word, true); }

std::string quoteAssignment(const std::string& name, const std::string& value) {
    return escaped(name + "=" + value, false);
}

std::string unitText(const ServiceCommand& command, UnitScope scope, const EnvironmentList& environment) {
    const bool system = scope == UnitScope::System;
    std::string text;
    text += "# Von AppToService geschrieben; AppToService /Remove \"" + command.serviceName + "\" entfernt ihn.\n";
    text += "[Unit]\n";
    text += "Description=" + command.serviceName + " als Dienst (ohne Oberfläche)\n";
    if (system) {
        // The client is useless before the network is up.
        text += "Wants=network-online.target\n";
        text += "After=network-online.target\n";
    }
    text += "\n[Service]\n";
    text += "Type=simple\n";
    // For an update or a restart the program hands over to the updater and
    // ends; the service lasts as long as any of its processes runs.
    text += "ExitType=cgroup\n";
    text += "Environment=TAVIK_HEADLESS=1\n";
    for (const auto& [name, value] : environment) text += "Environment=" + quoteAssignment(name, value) + "\n";
    text += "ExecStart=" + quoteExecWord(command.program.string());
    if (!command.arguments.empty()) text += " " + quoteExecWord(command.arguments);
    text += "\n";
    text += "Restart=on-failure\n";
    text += "RestartSec=30\n";
    text += "\n[Install]\n";
    text += std::string("WantedBy=") + (system ? "multi-user.target" : "default.target") + "\n";
    return text;
}

}  // namespace tavik::servicetool
