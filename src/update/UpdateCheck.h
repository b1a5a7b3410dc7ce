#pragma once
#include <filesystem>
#include <string>

#include "state/MainFormActions.h"
#include "state/TavikGlobal.h"
#include "log/SaveLog.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Processes.h"
#include "platform/ProgramEnvironment.h"
#include "platform/SignatureCheck.h"
#include "protocol/Inet1.h"
#include "settings/RwModul.h"

namespace tavik {

// The automatic update: at most one attempt a day fetches the file the
// server named into the updates folder, hands it to the updater and ends.
// The file must come with a signature (the same address with ".sig") that
// `signatures` accepts; else nothing is installed and the program goes on.
class UpdateCheck {
public:
    UpdateCheck(TavikGlobal& g, RwModul& rw, Inet1& inet, Dialogs& dialogs, Processes& processes,
                const Clock& clock, const ProgramEnvironment& env, MainFormActions& actions, Log& log,
                SignatureCheck& signatures);

    // Does not return when it starts the updater.
    void GetUpdate(const std::string& url, const std::string& fileName);

    // A bare file name the server may name: no path, no drive or stream
    // colon, no control characters, no blanks or quotes, and no leading "-"
    // that the updater could take for one of its options.
    static bool acceptableFileName(const std::string& fileName);

private:
    std::filesystem::path updateFolder() const;
    // Fetches the file and its signature and puts both in place complete,
    // or neither; false when the transfer failed or the signature does not
    // hold (that is said to the user and logged).
    bool download(const std::string& url, const std::string& fileName, const std::filesystem::path& target);

    TavikGlobal& g_;
    RwModul& rw_;
    Inet1& inet_;
    Dialogs& dialogs_;
    Processes& processes_;
    const Clock& clock_;
    const ProgramEnvironment& env_;
    MainFormActions& actions_;
    Log& log_;
    SignatureCheck& signatures_;
};

}  // namespace tavik
