// The DLL's face toward the host: load and unload, and the BKC_ callbacks.
//
// Every callback catches everything: no exception may travel into the host.
#include <windows.h>

#include <memory>
#include <optional>

#include "Version.h"
#include "backup/QuenlowUnit_Type.h"
#include "host/BeckyAPI.h"
#include "plugin/PlugInInfo.h"
#include "plugin/StripCommand.h"
#include "ui/Guarded_win.h"
#include "ui/Module_win.h"
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

// The strip command and the setup dialog run one at a time. Their boxes and the
// dialog dispatch the host's messages, so the host may call either again while one
// is open; that second call returns at once, before it touches the backup slot.
bool commandRunning = false;

class OneCommandAtATime {
  public:
    OneCommandAtATime() noexcept : mine_(!commandRunning) { commandRunning = true; }
    ~OneCommandAtATime() {
        if (mine_) commandRunning = false;
    }
    OneCommandAtATime(const OneCommandAtATime&) = delete;
    OneCommandAtATime& operator=(const OneCommandAtATime&) = delete;
    explicit operator bool() const noexcept { return mine_; }

  private:
    bool mine_;
};

void RunStrip() {
    OneCommandAtATime turn;
    if (!turn) return;
    vornek::Win32Prompts prompts;
    vornek::RunStripCommand(*API, *Backup, prompts);
}

void RunSetup() {
    OneCommandAtATime turn;
    if (!turn) return;
    vornek::Win32Prompts prompts;
    std::optional<vornek::TForm2> form;
    try {
        form.emplace();
    } catch (...) {
        prompts.ShowMessage(vornek::kDialogNotOpenedNotice);
        return;
    }
    try {
        form->ShowBackup(*Backup);
        form->ShowModal();
        if (vornek::SetupResult == vornek::RestoreConfirmed) vornek::RestoreBackup(*API, *Backup);
    } catch (...) {
        // Either the dialog could not be shown, or the confirmed Restore could not
        // be joined for the host: the user must not take either for success.
        prompts.ShowMessage(vornek::SetupResult == vornek::RestoreConfirmed
                                ? vornek::kRestoreFailedNotice
                                : vornek::kDialogNotOpenedNotice);
    }
}

}  // namespace

// The bodies of the two callbacks that open modal windows. Each holds a reference
// on the DLL while it runs and returns it (or null) to the entry stub below, which
// hands it to FreeLibrary as its very last act: when the host unloaded the plug-in
// meanwhile, that reference is the last one, and no code of this DLL may run once
// FreeLibrary has unmapped it.
extern "C" HMODULE WINAPI RunStripCommandHoldingModule(vornek::BkWindow, vornek::BkParam) noexcept {
    HMODULE held = vornek::HoldPluginModule();
    vornek::Guarded(RunStrip, [] {});
    return held;
}

extern "C" HMODULE WINAPI RunPlugInSetupHoldingModule(HWND) noexcept {
    HMODULE held = vornek::HoldPluginModule();
    vornek::Guarded(RunSetup, [] {});
    return held;
}

// The entry stubs: call the body, then jump (not call) to FreeLibrary with the
// module, so that FreeLibrary returns straight to the host. The setup callback's
// result is then FreeLibrary's TRUE, which is the 1 the host expects.
extern "C" void WINAPI StripCommand(vornek::BkWindow window, vornek::BkParam param);
extern "C" int WINAPI BKC_OnPlugInSetup(HWND window);

#if defined(__i386__)
// stdcall: the callee pops its arguments; FreeLibrary pops one, so the stub with
// two arguments moves the return address up by one slot first.
asm(R"(
    .text
    .globl _StripCommand@8
    .def _StripCommand@8; .scl 2; .type 32; .endef
_StripCommand@8:
    pushl 8(%esp)
    pushl 8(%esp)
    call _RunStripCommandHoldingModule@8
    testl %eax, %eax
    jz 1f
    movl (%esp), %ecx
    movl %eax, 8(%esp)
    movl %ecx, 4(%esp)
    addl $4, %esp
    jmp *__imp__FreeLibrary@4
1:  ret $8

    .globl _BKC_OnPlugInSetup@4
    .def _BKC_OnPlugInSetup@4; .scl 2; .type 32; .endef
_BKC_OnPlugInSetup@4:
    pushl 4(%esp)
    call _RunPlugInSetupHoldingModule@4
    testl %eax, %eax
    jz 1f
    movl %eax, 4(%esp)
    jmp *__imp__FreeLibrary@4
1:  movl $1, %eax
    ret $4
)");
#elif defined(__x86_64__)
// Microsoft x64: the arguments arrive in registers and the caller cleans up; 32
// bytes of home space and 16-byte alignment for the call.
asm(R"(
    .text
    .globl StripCommand
    .def StripCommand; .scl 2; .type 32; .endef
    .seh_proc StripCommand
StripCommand:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    call RunStripCommandHoldingModule
    addq $40, %rsp
    testq %rax, %rax
    jz 1f
    movq %rax, %rcx
    rex64 jmp *__imp_FreeLibrary(%rip)
1:  ret
    .seh_endproc

    .globl BKC_OnPlugInSetup
    .def BKC_OnPlugInSetup; .scl 2; .type 32; .endef
    .seh_proc BKC_OnPlugInSetup
BKC_OnPlugInSetup:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    call RunPlugInSetupHoldingModule
    addq $40, %rsp
    testq %rax, %rax
    jz 1f
    movq %rax, %rcx
    rex64 jmp *__imp_FreeLibrary(%rip)
1:  movl $1, %eax
    ret
    .seh_endproc
)");
#else
#error "the entry stubs are written for 32-bit and 64-bit x86 only"
#endif

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

// BKC_OnPlugInSetup is the entry stub above. The host's window argument is not
// used: the dialog is a top-level window of its own.

int WINAPI BKC_OnPlugInInfo(LPVOID record) {
    try {
        if (record) vornek::FillPlugInInfo(static_cast<char*>(record));
    } catch (...) {
    }
    return 0;
}

}  // extern "C"
