#include "update/UpdaterProgram.h"

#include <fstream>
#include <system_error>

#include "state/TavikGlobal.h"
#include "platform/PlatformFacts.h"
#include "text/PathText.h"
#include "text/TextCase.h"

namespace tavik {
namespace {

// The first entry of `folder` matching `name` ignoring case and passing `accept`.
template <typename Accept>
std::filesystem::path findMatching(const std::filesystem::path& folder, const std::string& name,
                                   Accept accept) {
    const std::filesystem::path exact = folder / pathFromUtf8(name);
    std::error_code ec;
    if (accept(exact)) return exact;
    const std::string wanted = toLowerText(name);
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::filesystem::path& entry = it->path();
        if (toLowerText(utf8FromPath(entry.filename())) == wanted && accept(entry)) return entry;
    }
    return exact;
}

bool exists(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::exists(p, ec);
}

bool isDirectory(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

std::filesystem::path updaterPath(const std::filesystem::path& folder) {
    return findInFolder(folder, std::string(kUpdaterName) + kExecutableSuffix);
}

}  // namespace

std::filesystem::path findInFolder(const std::filesystem::path& folder, const std::string& name) {
    return findMatching(folder, name, exists);
}

bool updaterPresent(const std::filesystem::path& folder) {
    const std::filesystem::path file = findInFolder(folder, std::string(kUpdaterName) + kExecutableSuffix);
    std::error_code ec;
    // A folder of that name opens for reading here but is no program.
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    return in.is_open();
}

UpdaterStart updateCommand(const std::filesystem::path& folder, const std::string& fileName,
                           const std::string& profil) {
    return {updaterPath(folder), {fileName + "," + profil}};
}

UpdaterStart restartCommand(const std::filesystem::path& folder, const std::string& profil) {
    // The updater starts the program again with the profile after the comma;
    // the default profile needs none, so its argument stays the plain name.
    const std::string program = std::string(kProductName) + kExecutableSuffix;
    return {updaterPath(folder), {profil == kProductName ? program : program + "," + profil}};
}

std::filesystem::path updatesFolder(const std::filesystem::path& folder) {
    return findMatching(folder, "Updates", isDirectory);
}

}  // namespace tavik
