#include "ui_win32/Win32Windows.h"

#include <windows.h>
#include <shellapi.h>

#include <iostream>

#include "platform/win32/WideText.h"

#include "ui_win32/Win32ParameterWindow.h"
#include "ui_win32/Win32SmallWindows.h"

namespace tavik {
namespace {

bool startsWithNoCase(const std::string& text, const char* prefix) {
    for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
        if (i >= text.size()) return false;
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

bool isWebAddress(const std::string& url) {
    if (!startsWithNoCase(url, "http://") && !startsWithNoCase(url, "https://")) return false;
    for (const char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == ' ' || c == '"') return false;
    return true;
}

}  // namespace

std::string openPageInBrowser(const std::string& url) {
    if (!isWebAddress(url)) return "Die Adresse ist keine Internetseite (http oder https).";
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", toWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result > 32) return {};
    const unsigned long code = result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : GetLastError();
    return "Es ist kein Standardbrowser eingerichtet oder er startet nicht (" + systemErrorText(code) + ").";
}

// Each window is made afresh, so every opening reads the stored values anew.
void Win32Windows::showParameter(const std::string& caption) {
    if (context_ == nullptr) return reportMissingWindow("Das Einstellungsfenster");
    Win32ParameterWindow window(*context_);
    if (!window.run(nullptr, caption)) reportMissingWindow("Das Einstellungsfenster");
}

void Win32Windows::showAbout() {
    if (context_ == nullptr) return reportMissingWindow("Das Infofenster über das Programm");
    Win32AboutWindow window(context_->g, context_->clock);
    if (!window.run(nullptr)) reportMissingWindow("Das Infofenster über das Programm");
}

void Win32Windows::showLegend() {
    Win32LegendWindow window;
    if (!window.run(nullptr)) reportMissingWindow("Die Legende");
}

// The address may carry the customer number: it is not repeated here.
void Win32Windows::showBrowserWindow(const std::string& url) {
    const std::string why = openPageInBrowser(url);
    if (why.empty()) return;
    const std::string text = "Die Seite konnte nicht im Browser geöffnet werden: " + why;
    if (context_ != nullptr) context_->environment.reportError(text);
    else std::cerr << "Tavik6: " << text << std::endl;
}

void Win32Windows::reportMissingWindow(const char* what) const {
    const std::string text = std::string(what) + " konnte nicht geöffnet werden.";
    if (context_ != nullptr) context_->environment.reportError(text);
    else std::cerr << "Tavik6: " << text << std::endl;
}

}  // namespace tavik
