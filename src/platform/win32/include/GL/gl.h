// The system's GL header, with its functions declared as plain symbols instead of imports
// from opengl32.dll. The demo's calls then link to the import library's stubs, which jump
// straight into the driver, except for the few entry points this platform (the live
// picture's placement) or a program linked with it (the capture's fast-forward) defines
// itself, as it would define them beside a shared libGL. Stands first on the include path.
#pragma once

#ifndef WINGDIAPI
#define WINGDIAPI
#endif
#ifndef APIENTRY
#define APIENTRY
#endif
// GLU's callback types, which windows.h would otherwise define.
#ifndef CALLBACK
#define CALLBACK
#endif
#include_next <GL/gl.h>
