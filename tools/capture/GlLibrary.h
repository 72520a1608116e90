// The GL library beneath this program's own GL entry points: POSIX here (GlLibrary.cpp),
// Windows in win32/GlLibrary.cpp.
#pragma once

// The GL library's own definition of a GL entry point that this program defines as well:
// the one its own definition hands on to.
void* glLibraryEntry(const char* name);
