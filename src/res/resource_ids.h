#pragma once
// Identifiers shared by the applet's resources, its window code and the tools that drive the
// window from outside (uiprobe). Plain preprocessor values so that the resource compiler reads
// this file too.

// The main window's class name: uiprobe finds the window by it.
#define QX_MAIN_WINDOW_CLASS "TFormMain"
// The window class of the progress gauges.
#define QX_GAUGE_WINDOW_CLASS "TGauge"

// Control ids of the main window.
#define IDC_IMAGE_LOGO 101
#define IDC_LABEL_PROGRESS 102
#define IDC_PROGRESS_BAR_LEFT 103
#define IDC_PROGRESS_BAR 104
#define IDC_MEMO_STATUS 105
#define IDC_BUTTON_LEFT 106
#define IDC_BUTTON_RIGHT 107

// Messages a gauge answers (also from other processes): its position and its maximum.
#define QX_GAUGE_GET_PROGRESS (0x0400 + 1)
#define QX_GAUGE_GET_MAX (0x0400 + 2)

// Resources.
#define IDB_LOGO 200
#define IDR_LAYOUT 201
#define RT_QX_LAYOUT 256

// The applet's file version.
#define QX_VERSION_MAJOR 6
#define QX_VERSION_MINOR 0
#define QX_VERSION_RELEASE 0
#define QX_VERSION_BUILD 1
#define QX_VERSION_TEXT "6.0.0.1"
