#pragma once
#include <filesystem>
#include <string>

namespace tavik {

// The program's own browser window. The page is shown by the helper program
// tavik6-browser from the program folder, so that this resident process
// never loads a browser engine; showing the window waits for the helper in
// a nested event loop, as a modal window would.
class softwareupdate {
public:
    static constexpr const char* kHelperName = "tavik6-browser";

    explicit softwareupdate(std::filesystem::path programFolder);

    // The address of the page to show.
    std::string Tag;

    // Shows the page of Tag and returns when the user has closed the window.
    // False when the window could not be opened.
    bool showModal();

    // A window of its own for `url`, shown as showModal does.
    static bool showPage(const std::filesystem::path& programFolder, const std::string& url);

private:
    std::filesystem::path programFolder_;
};

}  // namespace tavik
