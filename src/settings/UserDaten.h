#pragma once

#include "state/TavikGlobal.h"
#include "settings/RwModul.h"

namespace tavik {

// Loads User, Passwort, Proxyserver and AutoUpdate of the profile into the
// process-wide values. The first three reads pass g.Profil itself as the
// section, so a profile starting with "EXTERN" or "QUILLVANE-" is left
// shortened, as it always was.
void ReadUserDaten(RwModul& rw, TavikGlobal& g);

}  // namespace tavik
