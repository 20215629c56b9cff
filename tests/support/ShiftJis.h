// Readable text turned into the Shift-JIS bytes the plug-in speaks, for native tests.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>

namespace testfiles {

// `utf8` in code page 932, converted by the C library rather than by hand.
inline std::string ToShiftJis(const std::string& utf8) {
    const iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv knows no CP932");
    std::string in = utf8;
    std::string out(utf8.size() * 2 + 4, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t fromLeft = in.size();
    std::size_t toLeft = out.size();
    const bool converted =
        iconv(cd, &from, &fromLeft, &to, &toLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!converted) throw std::runtime_error("not convertible to CP932: " + utf8);
    out.resize(out.size() - toLeft);
    return out;
}

}  // namespace testfiles
