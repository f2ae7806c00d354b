// Thin helpers shared by setup's forms: the form font, child controls at
// pixel places, centring, and showing a form modally over its owner.
#pragma once

#include <windows.h>

#include <string>

// "굴림체" with a 12-pixel character height, created once, never freed.
HFONT FormFont();

// Registers a window class for a form or container once; the class's
// background is the button-face colour.
void RegisterFormClass(const char* name, WNDPROC proc);

// A top-level form whose client area is width x height, centred on the screen.
HWND CreateForm(const char* className, const char* caption, DWORD style, int width, int height, HWND owner,
                void* self);

// Where a control goes in its parent's client area, in pixels.
struct Place {
    int left, top, width, height;
};

// What a child control is: its class and styles (WS_CHILD | WS_VISIBLE are
// always added), text and command identifier. The functions below give each
// kind the forms use its usual defaults.
struct Control {
    const char* className;
    DWORD style;
    const char* text = "";
    int id = 0;
    DWORD exStyle = 0;
};

inline Control StaticText(const char* text, DWORD style = SS_LEFT, int id = 0) { return {"STATIC", style, text, id}; }
inline Control Picture(DWORD style) { return {"STATIC", style}; }
inline Control PushButton(const char* text, int id) { return {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, text, id}; }
inline Control CheckBox(const char* text, int id) { return {"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, text, id}; }
inline Control GroupBox(const char* text) { return {"BUTTON", BS_GROUPBOX, text}; }
inline Control ListBox(DWORD style, int id) { return {"LISTBOX", style, "", id, WS_EX_CLIENTEDGE}; }
inline Control EditBox(int id) { return {"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, "", id, WS_EX_CLIENTEDGE}; }
inline Control DropDownList(int id) { return {"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, "", id}; }

// The control, made with the form font.
HWND AddControl(HWND parent, const Control& control, Place at);

// Text of a window in the system code page.
std::string WindowText(HWND wnd);

// Shows form modally: disables owner, runs messages until form is hidden or
// destroyed, then enables and activates owner again.
void ShowModal(HWND form, HWND owner);

// The message loop of the program, with dialog keyboard handling (Tab, arrows,
// access keys) for whichever form is active. Ends at WM_QUIT.
int RunMessageLoop();

// The object a window belongs to: taken from CreateWindow's last argument at
// WM_NCCREATE and kept with the window; null before that and once cleared.
void* WindowObject(HWND wnd, UINT msg, LPARAM lp);

// Brush of the button-face colour, for WM_CTLCOLOR* answers.
HBRUSH FaceBrush();
