// Entry point of zebvrml2.dll. Built into the DLL only, never into the static
// library, so a host that links the static library into a DLL of its own
// keeps its own entry point.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    // The library keeps no per-thread state: ask for no thread attach and
    // detach notifications.
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
