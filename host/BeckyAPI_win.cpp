// Binds the host entry points from the executable of the process that loaded the plug-in.
#include <windows.h>

#include "host/BeckyAPI.h"

namespace vornek {
namespace {

class ExecutableResolver : public HostModuleResolver {
  public:
    BkModule Module() override { return reinterpret_cast<BkModule>(GetModuleHandleA(nullptr)); }
    RawEntry Find(BkModule module, const char* name) override {
        // void (*)() converts to and from every function pointer type without a warning.
        return reinterpret_cast<RawEntry>(GetProcAddress(reinterpret_cast<HMODULE>(module), name));
    }
};

}  // namespace

bool TBeckyAPI::InitAPI() {
    ExecutableResolver resolver;
    return InitAPI(resolver);
}

}  // namespace vornek
