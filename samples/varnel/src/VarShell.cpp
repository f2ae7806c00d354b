// The sample product's shell extension: only as much as regsvr32 needs, so
// the registration that setup starts at the end succeeds.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() { return S_OK; }
extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() { return S_OK; }
