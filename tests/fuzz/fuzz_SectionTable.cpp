// The settings module's section table fed arbitrary section and value names
// and values: one RegWrite, then one RegRead of the same section and name,
// on the in-memory store and again on the real SQLite store.
// Input: section 0x1E value name 0x1E value.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzInput.h"
#include "platform/fakes/FakeDialogs.h"
#include "platform/fakes/MemoryRegistry.h"
#include "platform/posix/SqliteRegistry.h"
#include "settings/RwModul.h"

using namespace tavik;
using namespace tavik::fuzz;

namespace {

const std::string kQuillvane = "QUILLVANE-";
const std::string kExtern = "EXTERN";
const std::size_t kMaxValueBytes = 1024;

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// What a read gives back for a stored REG_SZ value: cut at the first NUL,
// empty when too long, and one blank read as empty outside "[DB-Vorgabe]".
std::string expectedRead(const std::string& section, const std::string& stored) {
    if (stored.size() > kMaxValueBytes) return {};
    std::string text = stored.substr(0, stored.find('\0'));
    if (text == " " && section != "[DB-Vorgabe]") text.clear();
    return text;
}

// Shared memory when there is some: a store file is made and synced for every
// input, which on a disk would slow the run a hundredfold.
std::filesystem::path storeFolder() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

// One fresh store file per input, so no input sees another's values; the
// last one is removed when the run ends.
class StoreFile {
public:
    StoreFile() : file_(storeFolder() / ("tavik-fuzz-store-" + std::to_string(::getpid()) + ".sqlite")) {}
    ~StoreFile() { clear(); }
    const std::filesystem::path& fresh() {
        clear();
        return file_;
    }

private:
    void clear() {
        std::error_code error;
        for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file_.string() + suffix, error);
    }
    std::filesystem::path file_;
};

StoreFile storeFile;

struct Outcome {
    std::string writeName;
    std::string read;
};

// The write and the read again, on the SQLite store the program uses.
Outcome onSqliteStore(const std::string& section, const std::string& valueName, const std::string& value) {
    SqliteRegistry store(storeFile.fresh());
    FakeDialogs dialogs;
    RwModul rw{store, dialogs};
    std::string writeSection = section, writeName = valueName, writeValue = value;
    rw.RegWrite(writeSection, writeName, writeValue);
    std::string readSection = section, readName = valueName;
    return {writeName, rw.RegRead(readSection, readName)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = splitFields(data, size, 3);
    const std::string& section = parts[0];
    const std::string& valueName = parts[1];
    const std::string& value = parts[2];

    MemoryRegistry registry;
    FakeDialogs dialogs;
    RwModul rw{registry, dialogs};

    std::string writeSection = section, writeName = valueName, writeValue = value;
    rw.RegWrite(writeSection, writeName, writeValue);
    const bool refused = section == "[]" || startsWith(section, kExtern);
    FUZZ_CHECK(writeSection == section, "a write leaves the section argument alone");
    if (refused) {
        FUZZ_CHECK(registry.writeCalls == 0 && registry.entries().empty(), "a refused section writes nothing");
        FUZZ_CHECK(writeName == valueName && writeValue == value, "a refused write changes no argument");
    } else {
        FUZZ_CHECK(registry.writeCalls == 1 && registry.entries().size() == 1, "a write stores one value");
        FUZZ_CHECK(writeName == "True", "the value-name argument reports the write");
        FUZZ_CHECK(writeValue == (value.empty() ? " " : value), "an empty value is stored as one blank");
        FUZZ_CHECK(registry.entries().front().value.data == writeValue, "the value is stored as given");
    }
    FUZZ_CHECK(dialogs.boxes.empty() && dialogs.infos.empty(), "the settings module shows nothing");

    std::string readSection = section, readName = valueName;
    const std::string read = rw.RegRead(readSection, readName);
    FUZZ_CHECK(readName == read, "the value-name argument holds the value read");
    if (startsWith(section, kQuillvane))
        FUZZ_CHECK(readSection == section.substr(kQuillvane.size()), "the read prefix is cut off");
    else if (startsWith(section, kExtern))
        FUZZ_CHECK(readSection == section.substr(kExtern.size()), "the read prefix is cut off");
    else
        FUZZ_CHECK(readSection == section, "a read leaves other sections alone");

    // Reads and writes meet in one key except for the prefix rows, the
    // service tool's key and the refused sections; those read nothing here,
    // as they read another key than the one written (or nothing was written).
    const bool roundTrip = !refused && !startsWith(section, kQuillvane) && section != "AppToService";
    FUZZ_CHECK(read == (roundTrip ? expectedRead(section, writeValue) : std::string()),
               "a value read back is the value written");

    const Outcome sqlite = onSqliteStore(section, valueName, value);
    FUZZ_CHECK(sqlite.writeName == writeName && sqlite.read == read, "the SQLite store behaves as the model");
    return 0;
}
