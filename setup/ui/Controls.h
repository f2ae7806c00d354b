#pragma once
// The common controls, loaded from the system folder by full path: setup
// runs elevated from a folder anyone may write, and a COMCTL32.DLL there
// would be taken instead of the system's if it were a load-time import.

#include <windows.h>

// Registers the control classes (ICC_ flags); false when the system's
// library cannot be loaded.
bool InitControls(DWORD classes);
