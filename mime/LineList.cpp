// Splits a message source into lines and joins them back.
#include "LineList.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vornek {
namespace {

bool IsBreakOrNul(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// First CR, LF or NUL in [p, end), or end. Large messages are mostly long runs of
// base64 lines, so this is the hot loop of the whole program.
const char* FindBreakOrNul(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    while (end - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)),
                                         _mm_cmpeq_epi8(chunk, nul));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p != end && !IsBreakOrNul(*p)) ++p;
    return p;
}

}  // namespace

void LineList::SetText(std::string_view text) { SetText(std::string(text)); }

void LineList::SetText(std::string&& text) {
    buffer_ = std::move(text);
    Split();
}

void LineList::Split() {
    spans_.clear();
    const char* const begin = buffer_.data();
    const char* const end = begin + buffer_.size();
    const char* p = begin;
    while (p != end && *p != '\0') {
        const char* stop = FindBreakOrNul(p, end);
        spans_.push_back({static_cast<std::size_t>(p - begin), static_cast<std::size_t>(stop - p)});
        p = stop;
        if (p != end && *p == '\r') ++p;
        if (p != end && *p == '\n') ++p;
    }
}

std::string LineList::Join(std::string_view eol) const {
    std::size_t size = 0;
    for (const Span& s : spans_) size += s.length + eol.size();
    std::string out;
    out.reserve(size);
    for (const Span& s : spans_) {
        out.append(buffer_, s.offset, s.length);
        out.append(eol);
    }
    return out;
}

std::string_view LineList::Get(std::size_t index) const {
    assert(index < spans_.size());
    const Span& s = spans_[index];
    return std::string_view(buffer_).substr(s.offset, s.length);
}

void LineList::Delete(std::size_t index) {
    assert(index < spans_.size());
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(index));
}

void LineList::KeepOnly(const std::vector<std::size_t>& indices) {
    std::vector<Span> kept;
    kept.reserve(indices.size());
    for (std::size_t i : indices) {
        assert(i < spans_.size());
        assert(kept.empty() || spans_[i].offset > kept.back().offset);
        kept.push_back(spans_[i]);
    }
    spans_ = std::move(kept);
}

void SafeDeleteLine(LineList& lines, std::size_t index) {
    if (index < lines.Count()) lines.Delete(index);
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    }
    return out;
}

std::size_t FindText(std::string_view needle, std::string_view haystack) {
    if (needle.empty() || haystack.empty()) return 0;
    const std::size_t at = haystack.find(needle);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string CopyText(std::string_view text, long long start, long long count) {
    if (start < 1) start = 1;
    if (text.empty() || count <= 0 || static_cast<unsigned long long>(start) > text.size()) return {};
    const std::size_t from = static_cast<std::size_t>(start - 1);
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), text.size() - from);
    return std::string(text.substr(from, n));
}

}  // namespace vornek
