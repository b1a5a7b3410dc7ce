#pragma once
#include <string>

#include "platform/Dialogs.h"
#include "platform/RegistryBackend.h"

namespace tavik {

// The settings module: callers name a section and a value name; the module
// maps the section to a root and key path and smooths over empty values.
class RwModul {
public:
    RwModul(RegistryBackend& backend, Dialogs& dialogs);

    // In-out as the callers rely on: on return `valueName` holds the value
    // read, and a section with a "QUILLVANE-" or "EXTERN" prefix holds the
    // rest after the prefix.
    std::string RegRead(std::string& section, std::string& valueName);
    // In-out: `valueName` ends holding "True" or "False" (the write's
    // success), an empty `value` ends as one blank.
    void RegWrite(std::string& section, std::string& valueName, std::string& value);

    // Plain forms for callers that pass fixed texts.
    std::string read(std::string section, std::string valueName);
    void write(std::string section, std::string valueName, std::string value);

    std::string RegReadString(RegRoot root, const std::string& key, const std::string& valueName);
    bool RegWriteString(RegRoot root, const std::string& key, const std::string& valueName,
                        std::string& value);

    // How many reads so far found the store itself unreadable (locked by
    // another program beyond the wait, or not to be opened). Such a read
    // gives the empty text like an absent value; a caller that must tell the
    // two apart compares this count before and after its reads.
    unsigned long unreadableReads() const { return unreadableReads_; }

private:
    RegistryBackend& backend_;
    Dialogs& dialogs_;
    unsigned long unreadableReads_ = 0;
};

}  // namespace tavik
