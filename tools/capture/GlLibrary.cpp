#include "GlLibrary.h"

#include <dlfcn.h>

void* glLibraryEntry(const char* name) { return dlsym(RTLD_NEXT, name); }
