// The library's load and unload hook: nothing to set up or tear down, whatever
// the reason it is called for.
#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
