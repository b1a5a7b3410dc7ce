#include "forms/CopyrightForm.h"

namespace tavik {
namespace {

// The maker's line starts with the year of the first release.
constexpr int kFirstYear = 2005;
constexpr const char* kMaker = "Kovrin Software";

std::string makerLine(int year) {
    const std::string years =
        year > kFirstYear ? std::to_string(kFirstYear) + "-" + std::to_string(year) : std::to_string(kFirstYear);
    return "© " + years + " " + kMaker;
}

}  // namespace

void CopyrightForm::Form_Load() {
    view_.setLine(0, "Version : " + g_.ProgVersion);
    view_.setLine(1, std::string("Stand : ") + kReleaseDate);
    view_.setLine(2, makerLine(clock_.now().year));
}

void CopyrightForm::Form_Activate() {
    view_.restoreDefaultPointer();
    view_.setCaption(std::string("Versionsinfo über ") + kProductName + " " + g_.ProgVersion);
}

}  // namespace tavik
