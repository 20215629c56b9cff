// Splits a message source into lines and joins them back.
#include "mime/LineList.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
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

// Whether [p, end) holds a CR that is not followed by LF. Checked once for every
// message the flattening looks at, so it runs a vector step at a time.
bool HasLoneCrScalar(const char* p, const char* end) {
    for (; p != end; ++p) {
        if (*p == '\r' && (p + 1 == end || p[1] != '\n')) return true;
    }
    return false;
}

#if defined(__SSE2__)
bool HasLoneCrSse2(const char* p, const char* end) {
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    while (end - p > 16) {  // the byte after the step is read too
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, cr)));
        if (crs != 0) {
            const unsigned lfs =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, lf))) |
                (p[16] == '\n' ? 1u << 16 : 0u);
            if ((crs & ~(lfs >> 1)) != 0) return true;
        }
        p += 16;
    }
    return HasLoneCrScalar(p, end);
}
#endif

#if defined(VORNEK_HAVE_AVX2_PATH)
__attribute__((target("avx2"))) bool HasLoneCrAvx2(const char* p, const char* end) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    while (end - p > 32) {
        const __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const std::uint64_t crs =
            static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(chunk, cr)));
        if (crs != 0) {
            const std::uint64_t lfs =
                static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(chunk, lf))) |
                (p[32] == '\n' ? std::uint64_t{1} << 32 : 0);
            if ((crs & ~(lfs >> 1)) != 0) return true;
        }
        p += 32;
    }
    return HasLoneCrSse2(p, end);
}
#endif

using BreakFinder = const char* (*)(const char*, const char*);
using LoneCrFinder = bool (*)(const char*, const char*);

bool HasAvx2() {
#if defined(VORNEK_HAVE_AVX2_PATH)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

const char* FindBreak(const char* p, const char* end) {
#if defined(VORNEK_HAVE_AVX2_PATH)
    static const BreakFinder find = HasAvx2() ? FindBreakOrNulAvx2 : FindBreakOrNul;
    return find(p, end);
#else
    return FindBreakOrNul(p, end);
#endif
}

bool ContainsLoneCr(const char* p, const char* end) {
#if defined(VORNEK_HAVE_AVX2_PATH)
    static const LoneCrFinder find = HasAvx2() ? HasLoneCrAvx2 : HasLoneCrSse2;
    return find(p, end);
#else
    return HasLoneCrScalar(p, end);
#endif
}

}  // namespace

LineBounds LineAt(std::string_view text, std::size_t pos) {
    const char* const begin = text.data();
    const char* const stop = begin + text.size();
    const char* at = FindBreak(begin + pos, stop);
    // The scanner also stops at NUL, which ends no line here: a text handed in
    // with one must still be walked to its end.
    while (at != stop && *at == '\0') at = FindBreak(at + 1, stop);
    const std::size_t end = static_cast<std::size_t>(at - begin);
    std::size_t next = end;
    if (next < text.size() && text[next] == '\r') ++next;
    if (next < text.size() && text[next] == '\n') ++next;
    return {end, next};
}

void LineList::SetText(std::string_view text) { SetText(std::string(text)); }

void LineList::SetText(std::string&& text) {
    auto buffer = std::make_shared<const std::string>(std::move(text));
    const std::string_view view = *buffer;
    SetText(view, std::move(buffer));
}

void LineList::SetText(std::string_view text, std::shared_ptr<const void> owner) {
    const void* nul = text.empty() ? nullptr : std::memchr(text.data(), '\0', text.size());
    endedAtNul_ = nul != nullptr;
    if (nul)
        text =
            text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    owner_ = std::move(owner);
    text_ = text;
    pieces_.clear();
    if (!text_.empty()) pieces_.push_back({0, text_.size()});
    spans_.clear();
    indexed_ = false;
    hasLoneCr_ = -1;
}

bool LineList::HasLoneCr() const {
    if (hasLoneCr_ < 0)
        hasLoneCr_ = ContainsLoneCr(text_.data(), text_.data() + text_.size()) ? 1 : 0;
    return hasLoneCr_ == 1;
}

bool LineList::IsWhole() const {
    return text_.empty()
               ? pieces_.empty()
               : pieces_.size() == 1 && pieces_[0].first == 0 && pieces_[0].last == text_.size();
}

void LineList::BuildIndex() const {
    if (indexed_) return;
    spans_.clear();
    ForEachLine([this](std::string_view line) {
        spans_.push_back({static_cast<std::size_t>(line.data() - text_.data()), line.size()});
        return true;
    });
    indexed_ = true;
}

std::size_t LineList::Count() const {
    BuildIndex();
    return spans_.size();
}

std::string_view LineList::Get(std::size_t index) const {
    BuildIndex();
    assert(index < spans_.size());
    const Span& s = spans_[index];
    return text_.substr(s.offset, s.length);
}

void LineList::Delete(std::size_t index) {
    BuildIndex();
    assert(index < spans_.size());
    const std::size_t from = spans_[index].offset;
    const std::size_t to = LineAt(text_, from).next;
    spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(index));
    for (std::size_t k = 0; k < pieces_.size(); ++k) {
        const ByteRange piece = pieces_[k];
        if (from < piece.first || from >= piece.last) continue;
        // The piece loses the line: what stood before it and what stood after.
        std::vector<ByteRange> rest;
        if (piece.first < from) rest.push_back({piece.first, from});
        if (to < piece.last) rest.push_back({to, piece.last});
        const auto at = pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(k));
        pieces_.insert(at, rest.begin(), rest.end());
        break;
    }
}

void LineList::KeepBytes(const std::vector<ByteRange>& ranges) {
    pieces_.clear();
    for (const ByteRange& r : ranges) {
        assert(r.first <= r.last && r.last <= text_.size());
        assert(pieces_.empty() || pieces_.back().last <= r.first);
        if (r.first < r.last) pieces_.push_back(r);
    }
    spans_.clear();
    indexed_ = false;
}

std::size_t LineList::ContentSize() const {
    std::size_t size = 0;
    for (const ByteRange& piece : pieces_) size += piece.last - piece.first;
    return size;
}

std::string LineList::JoinWithOwnBreaks() const {
    std::string out;
    out.reserve(ContentSize());
    for (const ByteRange& piece : pieces_) out.append(text_, piece.first, piece.last - piece.first);
    return out;
}

std::string LineList::GetText() const {
    std::string out;
    out.reserve(ContentSize() + 2);
    for (const ByteRange& piece : pieces_) {
        // Runs of lines that already end in CR LF are copied whole; only other
        // line breaks are rewritten.
        std::size_t copied = piece.first;
        for (std::size_t p = piece.first; p < piece.last;) {
            const LineBounds line = LineAt(text_, p);
            if (line.next - line.end != 2) {
                out.append(text_, copied, line.end - copied);
                out += "\r\n";
                copied = line.next;
            }
            p = line.next;
        }
        out.append(text_, copied, piece.last - copied);
    }
    return out;
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
