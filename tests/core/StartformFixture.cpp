#include "StartformFixture.h"

#include <fstream>
#include <unistd.h>

namespace tavik {

void StartformFixture::SetUp() {
    folder = std::filesystem::temp_directory_path() /
             ("tavik-core-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    environment.folder = folder;
    environment.hosts = "/virtual/etc/hosts";
    hostsStore.files[environment.hosts] = "127.0.0.1 localhost\n";
    store("Install", "01.01.2026");
    store("User", "k1");
    store("Passwort", "pw");
    store("Proxyserver", "1");
}

void StartformFixture::TearDown() { std::filesystem::remove_all(folder); }

void StartformFixture::store(const std::string& name, const std::string& value) {
    registry.writeValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\Tavik6", name, {kRegSz, value});
}

std::string StartformFixture::stored(const std::string& section, const std::string& name) {
    auto value = registry.readValue(RegRoot::HKLM, "Software\\Kovrin\\Tavik6\\" + section, name);
    return value ? value->data : std::string("<absent>");
}

Startform& StartformFixture::build() {
    form = std::make_unique<Startform>(g, StartformPorts{environment, registry, hostsStore, transfer, loop, clock,
                                                         dialogs, trayPort(), processes, dialUp, session, browser,
                                                         windows, signatures});
    return *form;
}

Startform& StartformFixture::load() {
    build().Form_Load();
    return *form;
}

std::string StartformFixture::ipUrl() const {
    return "http://" + environment.service + "/cgi-bin/server/tavik6/readip6.cgi?k1&pw&6.10";
}

void StartformFixture::answerIpRequests(const std::string& body) { transfer.standing[ipUrl()] = {true, body}; }

void StartformFixture::failIpRequests() { transfer.standing.erase(ipUrl()); }

std::vector<int> StartformFixture::trayStatesSince(std::size_t from) const {
    std::vector<int> states;
    for (std::size_t i = from; i < tray.changes.size(); ++i) states.push_back(tray.changes[i].state);
    return states;
}

}  // namespace tavik
