// Reads sample messages and converts their line breaks, for every kind of test.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace testfiles {

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The sample messages are kept with LF line breaks; the host speaks CR LF.
inline std::string ToCrLf(const std::string& lf) {
    std::string out;
    out.reserve(lf.size() + lf.size() / 16);
    for (char c : lf) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace testfiles
