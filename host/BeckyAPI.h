// The table of the host mail client's plug-in entry points, bound at load time.
#pragma once

#include <cstdint>

// The host's calling convention at the plug-in boundary.
#if defined(_WIN32)
#define BKAPI __stdcall
#else
#define BKAPI
#endif

namespace vornek {

using BkWindow = void*;          // a host window handle
using BkParam = std::intptr_t;   // a 32-bit message parameter on the host's platform
using BkModule = std::intptr_t;  // a module handle; below 32 means none

// The command callback that the host calls when the user picks the menu item.
using BkCommandCallback = void(BKAPI*)(BkWindow window, BkParam param);

// Entry points the plug-in calls.
using BkRegisterCommand = int(BKAPI*)(const char* comment, int target, BkCommandCallback callback);
using BkGetCurrentMail = const char*(BKAPI*)();
using BkGetStatus = std::uint32_t(BKAPI*)(const char* mailId);
using BkGetSpecifiedHeader = int(BKAPI*)(const char* header, char* buffer, int size);
using BkGetSource = char*(BKAPI*)(const char* mailId);
using BkSetSource = int(BKAPI*)(const char* mailId, const char* source);
using BkFree = void(BKAPI*)(void* block);
// Entry points that are bound so the host is known to be complete, but never called.
using BkUnused = void(BKAPI*)();

// Every host entry point in binding order, with its type.
#define VORNEK_BKA_ENTRIES(X)                       \
    X(BKA_GetVersion, BkUnused)                     \
    X(BKA_Command, BkUnused)                        \
    X(BKA_GetWindowHandles, BkUnused)               \
    X(BKA_RegisterCommand, BkRegisterCommand)       \
    X(BKA_GetDataFolder, BkUnused)                  \
    X(BKA_GetTempFolder, BkUnused)                  \
    X(BKA_GetTempFileName, BkUnused)                \
    X(BKA_GetCurrentMailBox, BkUnused)              \
    X(BKA_SetCurrentMailBox, BkUnused)              \
    X(BKA_GetCurrentFolder, BkUnused)               \
    X(BKA_SetCurrentFolder, BkUnused)               \
    X(BKA_GetFolderDisplayName, BkUnused)           \
    X(BKA_SetMessageText, BkUnused)                 \
    X(BKA_GetCurrentMail, BkGetCurrentMail)         \
    X(BKA_SetCurrentMail, BkUnused)                 \
    X(BKA_GetNextMail, BkUnused)                    \
    X(BKA_SetSel, BkUnused)                         \
    X(BKA_AppendMessage, BkUnused)                  \
    X(BKA_MoveSelectedMessages, BkUnused)           \
    X(BKA_GetStatus, BkGetStatus)                   \
    X(BKA_ComposeMail, BkUnused)                    \
    X(BKA_GetCharSet, BkUnused)                     \
    X(BKA_GetSource, BkGetSource)                   \
    X(BKA_SetSource, BkSetSource)                   \
    X(BKA_GetHeader, BkUnused)                      \
    X(BKA_GetText, BkUnused)                        \
    X(BKA_SetText, BkUnused)                        \
    X(BKA_GetSpecifiedHeader, BkGetSpecifiedHeader) \
    X(BKA_SetSpecifiedHeader, BkUnused)             \
    X(BKA_CompGetCharSet, BkUnused)                 \
    X(BKA_CompGetSource, BkUnused)                  \
    X(BKA_CompSetSource, BkUnused)                  \
    X(BKA_CompGetHeader, BkUnused)                  \
    X(BKA_CompGetSpecifiedHeader, BkUnused)         \
    X(BKA_CompSetSpecifiedHeader, BkUnused)         \
    X(BKA_CompGetText, BkUnused)                    \
    X(BKA_CompSetText, BkUnused)                    \
    X(BKA_CompAttachFile, BkUnused)                 \
    X(BKA_Alloc, BkUnused)                          \
    X(BKA_ReAlloc, BkUnused)                        \
    X(BKA_Free, BkFree)                             \
    X(BKA_ISO_2022_JP, BkUnused)                    \
    X(BKA_ISO_2022_KR, BkUnused)                    \
    X(BKA_HZ_GB2312, BkUnused)                      \
    X(BKA_ISO_8859_2, BkUnused)                     \
    X(BKA_EUC_JP, BkUnused)                         \
    X(BKA_UTF_7, BkUnused)                          \
    X(BKA_UTF_8, BkUnused)                          \
    X(BKA_B64Convert, BkUnused)                     \
    X(BKA_QPConvert, BkUnused)                      \
    X(BKA_MIMEHeader, BkUnused)                     \
    X(BKA_SerializeRcpts, BkUnused)

// Finds the host module and the entry points in it: the host executable through
// Win32 in the plug-in, a table of fakes in tests.
class HostModuleResolver {
  public:
    using RawEntry = void (*)();
    virtual ~HostModuleResolver() = default;
    virtual BkModule Module() = 0;
    virtual RawEntry Find(BkModule module, const char* name) = 0;
};

class TBeckyAPI {
  public:
    TBeckyAPI() = default;
    virtual ~TBeckyAPI() = default;
    TBeckyAPI(const TBeckyAPI&) = delete;
    TBeckyAPI& operator=(const TBeckyAPI&) = delete;

    // Binds every entry point of the host executable; see the overload.
    bool InitAPI();
    // Binds every entry point through `resolver`, all or nothing: the first missing
    // name stops the binding and leaves the table unbound. Once bound, a later call
    // returns true without looking anything up again.
    bool InitAPI(HostModuleResolver& resolver);

#define VORNEK_DECLARE_ENTRY(name, type) type name = nullptr;
    VORNEK_BKA_ENTRIES(VORNEK_DECLARE_ENTRY)
#undef VORNEK_DECLARE_ENTRY

    // The host executable's module handle; 0 while unbound.
    BkModule FInstance = 0;
};

// How many entry points the host must offer.
constexpr int kHostEntryCount = 52;

}  // namespace vornek
