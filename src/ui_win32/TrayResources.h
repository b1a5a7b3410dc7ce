// Resource numbers of the tray, its menu pictures and the question window.
// Shared by tray.rc and the C++ code; the other windows number theirs from 2000.
#pragma once

// The program icon comes first, so Explorer shows it for Tavik6.exe.
#define IDI_PROGRAM 1
// The 16x16 pictures beside the popup menu's entries, in the order of MenuPicture.
#define IDI_MENU_BASE 200

// The wizard's question window.
#define IDD_DIALOG 300
#define IDC_SCHRITT 301
#define IDC_ABFRAGE1 302
#define IDC_ANTWORT1 303
#define IDC_ANTWORT1_SECRET 304
#define IDC_OKBUTTON 305
#define IDC_CANCELBUTTON 306
