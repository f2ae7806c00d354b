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

// A child control with the form font; id is its command identifier.
HWND AddControl(HWND parent, const char* className, const char* text, DWORD style, int left, int top,
                int width, int height, int id = 0, DWORD exStyle = 0);

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
