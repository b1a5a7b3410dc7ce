#include "settings/UserDaten.h"

#include <string>

#include "settings/ValueNames.h"

namespace tavik {

void ReadUserDaten(RwModul& rw, TavikGlobal& g) {
    g.Proxyserver = "0";

    std::string name = valueName::User;
    g.User = rw.RegRead(g.Profil, name);
    name = valueName::Passwort;
    g.Passwort = rw.RegRead(g.Profil, name);
    // An absent value leaves the connection type empty, not "0".
    name = valueName::Proxyserver;
    g.Proxyserver = rw.RegRead(g.Profil, name);

    std::string section = g.Profil;
    name = valueName::AutoUpdate;
    g.AutoUpdate = rw.RegRead(section, name) == "1" ? "1" : "0";
}

}  // namespace tavik
