#include "GlLibrary.h"

#include <windows.h>

void* glLibraryEntry(const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("opengl32.dll"), name));
}
