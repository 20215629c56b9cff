// The DLL's face toward the host: load and unload, and the BKC_ callbacks.
//
// Every callback catches everything: no exception may travel into the host.
#include <windows.h>

#include <memory>

#include "PlugInInfo.h"
#include "PlugInSetup.h"
#include "StripCommand.h"
#include "Version.h"
#include "backup/QuenlowUnit_Type.h"
#include "host/BeckyAPI.h"
#include "ui/MyLibrary.h"
#include "ui/QuenlowUnit_Undo_win.h"

namespace {

// What the initialisation creates; both live from load to unload.
std::unique_ptr<vornek::TBeckyAPI> API;
std::unique_ptr<vornek::TBuckup> Backup;

constexpr int kMessageListMenu = 1;
constexpr int kCommandTarget = 1;
constexpr char kCommandComment[] = "QUENLOW";

bool PluginInit() {
    try {
        API = std::make_unique<vornek::TBeckyAPI>();
        Backup = std::make_unique<vornek::TBuckup>();
        if (API->InitAPI()) return true;
    } catch (...) {
    }
    API.reset();
    Backup.reset();
    return false;
}

void PluginRelease() {
    API.reset();
    Backup.reset();
}

void BKAPI StripCommand(vornek::BkWindow, vornek::BkParam) {
    try {
        vornek::Win32Prompts prompts;
        vornek::RunStripCommand(*API, *Backup, prompts);
    } catch (...) {
    }
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            // FALSE makes the loader report that the initialisation failed, so the
            // host never calls a plug-in that could not bind its API.
            return PluginInit() ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            PluginRelease();
            return TRUE;
        default:
            return TRUE;
    }
}

int WINAPI BKC_OnStart() { return 0; }
int WINAPI BKC_OnExit() { return 0; }

int WINAPI BKC_OnMenuInit(HWND, HMENU menu, int kind) {
    try {
        if (kind != kMessageListMenu) return 0;
        const int id = API->BKA_RegisterCommand(kCommandComment, kCommandTarget, StripCommand);
        AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(id), VORNEK_PRODUCT_NAME);
    } catch (...) {
    }
    return 0;
}

int WINAPI BKC_OnOpenFolder(LPCSTR) { return 0; }
int WINAPI BKC_OnOpenMail(LPCSTR) { return 0; }
int WINAPI BKC_OnEveryMinute() { return 0; }
int WINAPI BKC_OnOpenCompose(HWND, int) { return 0; }
int WINAPI BKC_OnOutgoing(HWND, int) { return 0; }
int WINAPI BKC_OnKeyDispatch(HWND, int, int) { return 0; }
int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) { return 0; }
int WINAPI BKC_OnSend(LPCSTR) { return 0; }
int WINAPI BKC_OnFinishRetrieve(int) { return 0; }

// The host's window argument is not used: the dialog is a top-level window of its own.
int WINAPI BKC_OnPlugInSetup(HWND) {
    try {
        vornek::TForm2 form;
        return vornek::RunPlugInSetup(*API, *Backup, form);
    } catch (...) {
    }
    return 1;
}

int WINAPI BKC_OnPlugInInfo(LPVOID record) {
    try {
        if (record) vornek::FillPlugInInfo(static_cast<char*>(record));
    } catch (...) {
    }
    return 0;
}

}  // extern "C"
