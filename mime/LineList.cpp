// Splits a message source into lines and joins them back.
#include "LineList.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <immintrin.h>
#define VORNEK_HAVE_AVX2_PATH 1
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
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, cr), _mm_cmpeq_epi8(chunk, lf)),
                         _mm_cmpeq_epi8(chunk, nul));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
        p += 16;
    }
#endif
    while (p != end && !IsBreakOrNul(*p)) ++p;
    return p;
}

#if defined(VORNEK_HAVE_AVX2_PATH)
// The same, 32 bytes at a time, for processors that have AVX2.
__attribute__((target("avx2"))) const char* FindBreakOrNulAvx2(const char* p, const char* end) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i nul = _mm256_setzero_si256();
    while (end - p >= 32) {
        const __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i hit = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpeq_epi8(chunk, cr), _mm256_cmpeq_epi8(chunk, lf)),
            _mm256_cmpeq_epi8(chunk, nul));
        const unsigned mask = static_cast<unsigned>(_mm256_movemask_epi8(hit));
        if (mask != 0) return p + __builtin_ctz(mask);
        p += 32;
    }
    return FindBreakOrNul(p, end);
}
#endif

using BreakFinder = const char* (*)(const char*, const char*);

BreakFinder ChooseBreakFinder() {
#if defined(VORNEK_HAVE_AVX2_PATH)
    if (__builtin_cpu_supports("avx2")) return FindBreakOrNulAvx2;
#endif
    return FindBreakOrNul;
}

}  // namespace

void LineList::SetText(std::string_view text) { SetText(std::string(text)); }

void LineList::SetText(std::string&& text) {
    auto buffer = std::make_shared<const std::string>(std::move(text));
    const std::string_view view = *buffer;
    SetText(view, std::move(buffer));
}

void LineList::SetText(std::string_view text, std::shared_ptr<const void> owner) {
    owner_ = std::move(owner);
    text_ = text;
    Split();
}

void LineList::Split() {
    spans_.clear();
    // Most messages are long runs of 76-byte base64 lines: reserving for that saves
    // the copies of a growing list; pages reserved but never used cost nothing.
    spans_.reserve(text_.size() / 64 + 16);
    const char* const begin = text_.data();
    const char* const end = begin + text_.size();
    static const BreakFinder findBreak = ChooseBreakFinder();
    const char* p = begin;
    hasLoneCr_ = false;
    while (p != end && *p != '\0') {
        const char* stop = findBreak(p, end);
        spans_.push_back({static_cast<std::size_t>(p - begin), static_cast<std::size_t>(stop - p)});
        p = stop;
        if (p != end && *p == '\r') {
            ++p;
            if (p == end || *p != '\n') hasLoneCr_ = true;
        }
        if (p != end && *p == '\n') ++p;
    }
    endedAtNul_ = p != end;
}

std::string LineList::Join(std::string_view eol) const {
    std::size_t size = 0;
    for (const Span& s : spans_) size += s.length + eol.size();
    std::string out;
    out.reserve(size);
    for (const Span& s : spans_) {
        out.append(text_.data() + s.offset, s.length);
        out.append(eol);
    }
    return out;
}

std::string LineList::JoinWithOwnBreaks() const {
    // A line's break is whatever separates its last byte from the next line: the
    // split steps over at most one CR and one LF.
    auto withBreak = [this](const Span& s) {
        std::size_t end = s.offset + s.length;
        if (end < text_.size() && text_[end] == '\r') ++end;
        if (end < text_.size() && text_[end] == '\n') ++end;
        return text_.substr(s.offset, end - s.offset);
    };
    std::size_t size = 0;
    for (const Span& s : spans_) size += withBreak(s).size();
    std::string out;
    out.reserve(size);
    for (const Span& s : spans_) out.append(withBreak(s));
    return out;
}

std::string_view LineList::Get(std::size_t index) const {
    assert(index < spans_.size());
    const Span& s = spans_[index];
    return text_.substr(s.offset, s.length);
}

void LineList::Delete(std::size_t index) {
    assert(index < spans_.size());
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(index));
}

void LineList::KeepOnly(const std::vector<LineRange>& ranges) {
    std::size_t count = 0;
    for (const LineRange& r : ranges) count += r.last - r.first;
    std::vector<Span> kept;
    kept.reserve(count);
    for (const LineRange& r : ranges) {
        assert(r.first <= r.last && r.last <= spans_.size());
        assert(kept.empty() || r.first == r.last || spans_[r.first].offset > kept.back().offset);
        kept.insert(kept.end(), spans_.begin() + static_cast<std::ptrdiff_t>(r.first),
                    spans_.begin() + static_cast<std::ptrdiff_t>(r.last));
    }
    spans_ = std::move(kept);
}

void SafeDeleteLine(LineList& lines, std::size_t index) {
    if (index < lines.Count()) lines.Delete(index);
}

std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAsciiByte(c);
    return out;
}

std::size_t FindText(std::string_view needle, std::string_view haystack) {
    if (needle.empty() || haystack.empty()) return 0;
    const std::size_t at = haystack.find(needle);
    return at == std::string_view::npos ? 0 : at + 1;
}

std::string CopyText(std::string_view text, long long start, long long count) {
    if (start < 1) start = 1;
    if (text.empty() || count <= 0 || static_cast<unsigned long long>(start) > text.size())
        return {};
    const std::size_t from = static_cast<std::size_t>(start - 1);
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(count), text.size() - from);
    return std::string(text.substr(from, n));
}

}  // namespace vornek
