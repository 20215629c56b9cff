// The plug-in DLL's own module handle, for its resources and window classes.
#pragma once

#include <windows.h>

namespace vornek {

HINSTANCE PluginModule();

// Takes one more reference on the plug-in DLL, so that a host which unloads its
// plug-ins from a message our modal loop dispatches cannot unmap the code that
// still runs. Returns the module to hand to FreeLibrary afterwards, or null when no
// reference was taken. The release must not return into this DLL: it may be the
// last reference.
HMODULE HoldPluginModule() noexcept;

}  // namespace vornek
