// Resource and control numbers of the program's own windows on Win32. Shared
// by windows.rc and the code; numbers below 2000 belong to the tray and the
// message boxes.
#pragma once

// The tray state pictures: IDI_STATE + the state's number.
#define IDI_STATE 2100

// The settings window "Userdaten".
#define IDD_PARAMETER 2000
#define IDC_PARAMETER_SETUP0 2001
#define IDC_PARAMETER_SETUP1 2002
#define IDC_PARAMETER_PROXYSERVER 2003
#define IDC_PARAMETER_AUTOUPDATE 2004
#define IDC_PARAMETER_NTDIENST 2005
#define IDC_PARAMETER_RESTART 2006
#define IDC_PARAMETER_IMAGE1 2007
#define IDC_PARAMETER_DOWNLOAD 2008
#define IDC_PARAMETER_SETUP_BUTTON 2009
#define IDC_PARAMETER_COMMAND2 2010
#define IDC_PARAMETER_INFO_BUTTON 2011
#define IDC_PARAMETER_QUIT_BUTTON 2012
#define IDC_PARAMETER_PICTURE1 2013

// The info and warning window.
#define IDD_INFO 2020
#define IDC_INFO_TEXT 2021
#define IDC_INFO_QUIT 2022
#define IDC_INFO_SETUP 2023

// The legend; its rows' texts are numbered from IDC_LEGENDE_ROW on, their
// pictures from IDC_LEGENDE_PICTURE on.
#define IDD_LEGENDE 2030
#define IDR_LEGENDE_MENU 2031
#define IDM_LEGENDE_QUIT 2032
#define IDC_LEGENDE_ROW 2040
#define IDC_LEGENDE_PICTURE 2090

// The help window: a copy of the settings window's controls that does not
// react, with an explanation beside each.
#define IDD_HILFE 2050
#define IDR_HILFE_MENU 2051
#define IDM_HILFE_EXIT 2052
#define IDC_HILFE_QUIT 2053
#define IDC_HILFE_FIELDS 2054
#define IDC_HILFE_PROXY 2055
#define IDC_HILFE_AUTOUPDATE 2056
#define IDC_HILFE_UPDATELINK 2057
#define IDC_HILFE_SERVICE 2058
#define IDC_HILFE_DOWNLOAD 2059
#define IDC_HILFE_SETUP 2060
#define IDC_HILFE_HELP 2061
#define IDC_HILFE_INFO 2062
#define IDC_HILFE_QUITTEXT 2063
// The look-alike controls the explanations stand beside.
#define IDC_HILFE_SAMPLE 2070

// The about window.
#define IDD_COPYRIGHT 2080
#define IDC_COPYRIGHT_LINE0 2081
#define IDC_COPYRIGHT_LINE1 2082
#define IDC_COPYRIGHT_LINE2 2083
#define IDC_COPYRIGHT_EMAIL 2084
#define IDC_COPYRIGHT_INTERNET 2085
#define IDC_COPYRIGHT_COMMAND1 2086
#define IDC_COPYRIGHT_IMAGE2 2087
