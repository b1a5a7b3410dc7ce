#pragma once
#include <string>

#include "forms/FormKey.h"
#include "platform/Clock.h"
#include "state/TavikGlobal.h"

namespace tavik {

// The about window as it looks to its behaviour.
class CopyrightView {
public:
    virtual ~CopyrightView() = default;
    virtual void setCaption(const std::string& caption) = 0;
    // Lines 0 to 2 of `Label1`.
    virtual void setLine(int index, const std::string& text) = 0;
    // Puts the screen's mouse pointer back to the ordinary arrow.
    virtual void restoreDefaultPointer() = 0;
    virtual void closeWindow() = 0;
};

// The about window: version, release date and the maker's line with the
// year of the moment it is loaded; its button or Escape closes it.
class CopyrightForm {
public:
    static constexpr const char* kEmail = "support@tavik6.example";
    static constexpr const char* kInternet = "www.tavik6.example";

    CopyrightForm(CopyrightView& view, const TavikGlobal& g, const Clock& clock)
        : view_(view), g_(g), clock_(clock) {}

    void Form_Load();
    void Form_Activate();
    void Command1_Click() { view_.closeWindow(); }
    // A key pressed while the button has the focus.
    void Command1_KeyDown(FormKey key) {
        if (key == FormKey::Escape) view_.closeWindow();
    }

private:
    CopyrightView& view_;
    const TavikGlobal& g_;
    const Clock& clock_;
};

}  // namespace tavik
