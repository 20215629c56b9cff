// Hidden temporary names beside the files being rewritten, removed on failure and when
// the program is interrupted.
#include "cli/TemporaryName.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include "cli/FileIo.h"

#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vornek::cli {
namespace fs = std::filesystem;

namespace {

// The names the signal handler removes. A fixed buffer per slot, because the handler
// may neither allocate nor look at a std::string that is being changed.
constexpr int kSlotCount = 2;
constexpr std::size_t kPathCapacity = 4096;
struct Slot {
    char path[kPathCapacity];
    volatile std::sig_atomic_t used;
};
Slot g_slots[kSlotCount];

const int kCleanupSignals[] = {
    SIGINT,
    SIGTERM,
#ifndef _WIN32
    SIGHUP,
#endif
};

extern "C" void RemoveTemporariesAndDie(int sig) {
    for (Slot& slot : g_slots) {
        if (slot.used) {
#ifdef _WIN32
            _unlink(slot.path);
#else
            unlink(slot.path);
#endif
        }
    }
    // Die of the same signal, so the caller sees how the program ended.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

#ifdef _WIN32
void InstallHandlers() {
    static const bool installed = [] {
        for (int sig : kCleanupSignals) std::signal(sig, RemoveTemporariesAndDie);
        return true;
    }();
    (void)installed;
}

// Windows delivers Ctrl-C on a thread of its own; there is no mask to hold it off.
class SignalsHeld {
  public:
    SignalsHeld() {}
    ~SignalsHeld() {}
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
};
#else
void InstallHandlers() {
    static const bool installed = [] {
        for (int sig : kCleanupSignals) {
            struct sigaction old {};
            // A signal the caller ignores (nohup) stays ignored.
            if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
            struct sigaction action {};
            action.sa_handler = RemoveTemporariesAndDie;
            sigemptyset(&action.sa_mask);
            for (int other : kCleanupSignals) sigaddset(&action.sa_mask, other);
            sigaction(sig, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Holds the cleanup signals off while a name comes into existence or goes away
// together with its slot, so the handler never removes a name that is not ours.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kCleanupSignals) sigaddset(&set, sig);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

  private:
    sigset_t old_;
};
#endif

std::string FreshName() {
    static std::mt19937 random = [] {
        std::random_device device;
        std::seed_seq seed{
            device(), device(),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()),
#ifdef _WIN32
            static_cast<unsigned>(_getpid())};
#else
            static_cast<unsigned>(getpid())};
#endif
        return std::mt19937(seed);
    }();
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = ".vornek-";
    for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
    return name;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    return folder + "/" + name;
}

// Finds a free slot and a fresh name in `folder` for which `create` succeeds; `create`
// returns 0, or the errno value of its failure (EEXIST means: try another name).
// Returns the slot, or -1 with `error` set.
template <typename Create>
int Claim(const std::string& folder, Create create, int& error) {
    InstallHandlers();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = Join(folder, FreshName());
        if (path.size() >= kPathCapacity) {
            error = ENAMETOOLONG;
            return -1;
        }
        SignalsHeld held;
        int slot = 0;
        while (slot < kSlotCount && g_slots[slot].used) ++slot;
        if (slot == kSlotCount) {
            error = EMFILE;
            return -1;
        }
        std::memcpy(g_slots[slot].path, path.c_str(), path.size() + 1);
        g_slots[slot].used = 1;
        error = create(path);
        if (error == 0) return slot;
        g_slots[slot].used = 0;
        if (error != EEXIST) return -1;
    }
    return -1;
}

}  // namespace

TemporaryName::~TemporaryName() { Remove(); }

TemporaryName::TemporaryName(TemporaryName&& other) noexcept : slot_(other.slot_) {
    other.slot_ = -1;
}

TemporaryName& TemporaryName::operator=(TemporaryName&& other) noexcept {
    if (this != &other) {
        Remove();
        slot_ = other.slot_;
        other.slot_ = -1;
    }
    return *this;
}

std::string TemporaryName::Path() const { return slot_ >= 0 ? g_slots[slot_].path : ""; }

void TemporaryName::Remove() {
    if (slot_ < 0) return;
    SignalsHeld held;
    std::error_code ignored;
    fs::remove(g_slots[slot_].path, ignored);
    g_slots[slot_].used = 0;
    slot_ = -1;
}

TemporaryName TemporaryName::CreateFile(const std::string& folder, FileDescriptor& fd) {
    int error = 0;
    const int slot = Claim(
        folder,
        [&fd](const std::string& path) {
#ifdef _WIN32
            const int opened = _open(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                                     _S_IREAD | _S_IWRITE);
#else
            const int opened =
                open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
#endif
            if (opened < 0) return errno;
            fd = FileDescriptor(opened);
            return 0;
        },
        error);
    if (slot < 0) {
        throw IoError(folder +
                      ": cannot create a temporary file in this folder: " + std::strerror(error));
    }
    return TemporaryName(slot);
}

TemporaryName TemporaryName::LinkTo(const std::string& existing, const std::string& folder) {
    int error = 0;
    const int slot = Claim(
        folder,
        [&existing](const std::string& path) {
            std::error_code ec;
            fs::create_hard_link(existing, path, ec);
            if (!ec) return 0;
            // Only "the name is taken" matters here; any other failure means: copy instead.
            return ec == std::errc::file_exists ? EEXIST : EXDEV;
        },
        error);
    return slot < 0 ? TemporaryName() : TemporaryName(slot);
}

void TemporaryName::RenameOver(const std::string& destination) {
    if (slot_ < 0) throw IoError(destination + ": no temporary file to put in its place");
    SignalsHeld held;
    std::error_code ec;
    fs::rename(g_slots[slot_].path, destination, ec);
    if (ec) throw IoError(destination + ": cannot replace it: " + ec.message());
    g_slots[slot_].used = 0;
    slot_ = -1;
}

}  // namespace vornek::cli
