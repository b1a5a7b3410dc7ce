#pragma once
#include <array>
#include <functional>
#include <string>

namespace tavik {

// Tray picture states.
inline constexpr int kIconRejected = 0;
inline constexpr int kIconRequestStarted = 1;
inline constexpr int kIconConnected = 2;
inline constexpr int kIconUpdateOffered = 3;
inline constexpr int kIconConnectionTest = 4;
inline constexpr int kIconOffline = 8;
inline constexpr int kIconInformation = 9;
inline constexpr int kIconGlobe = 10;
inline constexpr int kIconCount = 11;

// The flags and pictures the hidden main form keeps: the status labels, the
// update indicator and the tooltip of each tray state.
class FormState {
public:
    FormState() {
        picTaskIconTag[kIconRequestStarted] = "Verbindung zu Server gestartet";
        picTaskIconTag[kIconConnected] = "Datenübertragung erfolgreich";
        picTaskIconTag[kIconOffline] = "Keine Verbindung";
    }

    const std::string& MerkerFrame1() const { return merkerFrame1_; }
    // Every change of the main flag switches the status picture.
    void setMerkerFrame1(const std::string& caption) {
        merkerFrame1_ = caption;
        if (onMerkerFrame1Change) onMerkerFrame1Change(merkerFrame1_);
    }
    std::function<void(const std::string&)> onMerkerFrame1Change;

    std::string MerkerFrame2Tag;                                      // ticks counted while online
    std::string MerkerFalscherBenutzerCaption = "Merker Falscher Benutzer";
    std::string MerkerFalscherBenutzerTag;                            // rejections in a row
    bool Image1Visible = false;                                       // update indicator
    std::array<std::string, kIconCount> picTaskIconTag{};             // tooltip per tray state

private:
    std::string merkerFrame1_;
};

}  // namespace tavik
