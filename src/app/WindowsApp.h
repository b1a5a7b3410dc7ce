#pragma once

namespace tavik {

// Runs the client with the Windows desktop: the icon in the notification
// area, its popup menu and message boxes. Where there is no desktop to show
// them on (a service's window station, no display), it says so on standard
// error and runs headless. Returns the exit code.
int runWindowsDesktop();

}  // namespace tavik
