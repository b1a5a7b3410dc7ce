#pragma once
#include <string>

#include "platform/ProgramEnvironment.h"

namespace tavik::installText {

// Why the program does not install updates itself, for an install it may not
// replace (`folder` is the program folder). The log's note on an offered
// update and the settings window's automatic-update box both say it.
inline std::string whyNoAutomaticUpdate(ProgramInstall install, const std::string& folder) {
    if (install == ProgramInstall::PackageManaged)
        return "Tavik6 wurde mit der Paketverwaltung installiert und wird nur über sie aktualisiert "
               "(z. B. apt upgrade).";
    return "Der Programmordner " + folder + " ist für diesen Benutzer nicht beschreibbar; Updates installiert, "
           "wer Tavik6 installiert hat.";
}

}  // namespace tavik::installText
