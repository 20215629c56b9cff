// Binds the table of host entry points through a resolver.
#include "host/BeckyAPI.h"

namespace vornek {

bool TBeckyAPI::InitAPI(HostModuleResolver& resolver) {
    if (FInstance != 0) return true;
    FInstance = resolver.Module();
    if (FInstance < 32) {
        FInstance = 0;
        return false;
    }
    // The entry points found before a missing one keep their addresses, but the
    // table counts as unbound.
#define VORNEK_BIND_ENTRY(name, type)                                           \
    if (HostModuleResolver::RawEntry entry = resolver.Find(FInstance, #name)) { \
        name = reinterpret_cast<type>(entry);                                   \
    } else {                                                                    \
        FInstance = 0;                                                          \
        return false;                                                           \
    }
    VORNEK_BKA_ENTRIES(VORNEK_BIND_ENTRY)
#undef VORNEK_BIND_ENTRY
    return true;
}

}  // namespace vornek
