#pragma once
#include <windows.h>

namespace tavik {

// The window procedure's part that every window of ours shares: the object
// given to CreateWindowExW is kept with the window at WM_NCCREATE, and each
// later message goes to its `handle`; before that, Windows' default answers.
template <class Owner>
LRESULT forwardToOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT (Owner::*handle)(HWND, UINT, WPARAM, LPARAM)) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!owner) return DefWindowProcW(window, message, wParam, lParam);
    return (owner->*handle)(window, message, wParam, lParam);
}

}  // namespace tavik
