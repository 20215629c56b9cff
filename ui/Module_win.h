// The plug-in DLL's own module handle, for its resources and window classes.
#pragma once

#include <windows.h>

namespace vornek {

HINSTANCE PluginModule();

}  // namespace vornek
