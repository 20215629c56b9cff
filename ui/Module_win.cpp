// The plug-in DLL's own module handle, for its resources and window classes.
#include "ui/Module_win.h"

namespace vornek {

HINSTANCE PluginModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&PluginModule), &module);
    return module;
}

HMODULE HoldPluginModule() noexcept {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(&HoldPluginModule), &module))
        return nullptr;
    return module;
}

}  // namespace vornek
