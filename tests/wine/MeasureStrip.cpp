// How much memory one strip command adds to the host's process, for the benchmark:
// `TestHost measure_strip MEGABYTES` flattens a message of that size (text, HTML and
// a base64 attachment) with the confirmation answered, and prints the source's size
// and the peak of memory the command added.
#include <windows.h>
// windows.h first: psapi.h builds on its types.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/wine/PluginDriver.h"

namespace testhost {
namespace {

struct Memory {
    SIZE_T current;
    SIZE_T peak;
    SIZE_T workingSet;
    SIZE_T peakWorkingSet;
};

Memory PrivateMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {counters.PagefileUsage, counters.PeakPagefileUsage, counters.WorkingSetSize,
            counters.PeakWorkingSetSize};
}

// Built in place, so that making it raises the peak no higher than keeping it.
std::string LargeMessage(std::size_t bytes) {
    const std::string head =
        "From: a@example.com\r\nMIME-Version: 1.0\r\n"
        "Content-Type: multipart/mixed; boundary=\"mix\"\r\n\r\n"
        "--mix\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
        "--mix\r\nContent-Type: text/html\r\n\r\n<b>body</b>\r\n"
        "--mix\r\nContent-Type: application/pdf; name=\"a.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    const std::string tail = "--mix--\r\n";
    const std::string line = std::string(76, 'Q') + "\r\n";
    std::string message;
    message.reserve(bytes + line.size() + tail.size());
    message += head;
    while (message.size() + tail.size() < bytes) message += line;
    message += tail;
    return message;
}

}  // namespace

int RunMeasureStrip(const std::string& megabytes) {
    Checks checks;
    Plugin plugin = LoadPlugin(checks);
    if (!plugin.module) return checks.Finish("measure_strip");
    CommandCallback command = RegisterCommand(plugin);

    Host().currentMail = "big-mail";
    Host().status = 0x8;
    Host().contentType = "multipart/mixed; boundary=\"mix\"";
    const std::size_t bytes = static_cast<std::size_t>(std::stoul(megabytes)) * 1000 * 1000;
    Host().sources["big-mail"] = LargeMessage(bytes);
    Host().calls.reserve(16);
    Host().written.reserve(1);

    const Memory before = PrivateMemory();
    BoxDriver driver({Answer::FirstButton});
    command(HostWindow(), 0);
    const std::vector<BoxSeen> boxes = driver.Finish();
    const Memory after = PrivateMemory();

    const bool rewritten = Host().written.size() == 1;
    checks.Check(rewritten || boxes.size() == 2,
                 "the message is flattened, or refused with a notice");
    // Wine's private-memory counters miss large heap blocks; the working set's peak
    // counts every page the command touched, the host's copy of the source included.
    auto grownBy = [](SIZE_T from, SIZE_T to) {
        return to > from ? static_cast<double>(to - from) / 1e6 : 0.0;
    };
    const double touched =
        grownBy(std::max(before.peakWorkingSet, before.workingSet), after.peakWorkingSet);
    const double privateBytes = grownBy(std::max(before.peak, before.current), after.peak);
    const double sourceMb = static_cast<double>(Host().sources["big-mail"].size()) / 1e6;
    std::printf(
        "source %.1f MB: %s; peak memory added %.1f MB (%.2fx the source; private bytes "
        "%.2fx)\n",
        sourceMb, rewritten ? "flattened" : "refused with a notice", touched, touched / sourceMb,
        privateBytes / sourceMb);
    return checks.Finish("measure_strip");
}

}  // namespace testhost
