#pragma once
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace veltod {
namespace line_scanner_detail {

struct State {
    const char* line_start;
    const char* skip_lf_at = nullptr;  // the byte after a CR: an LF there is part of CR LF
};

// Handles one special byte at p; returns false at 0x1A.
template <typename OnLine>
inline bool Special(State& state, const char* p, OnLine& on_line) {
    const char c = *p;
    if (c == 0x1A) return false;
    if (c == '\n' && p == state.skip_lf_at) {
        state.line_start = p + 1;
        return true;
    }
    on_line(std::string_view(state.line_start, static_cast<size_t>(p - state.line_start)));
    state.line_start = p + 1;
    if (c == '\r') state.skip_lf_at = p + 1;
    return true;
}

}  // namespace line_scanner_detail

template <typename OnLine>
const char* ScanLines(const char* begin, const char* end, OnLine&& on_line) {
    using namespace line_scanner_detail;
    State state{begin};
    const char* p = begin;
    const char* stop = end;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i sub = _mm_set1_epi8(0x1A);
    for (; end - p >= 16; p += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr)),
                                          _mm_cmpeq_epi8(block, sub));
        uint32_t mask = static_cast<uint32_t>(_mm_movemask_epi8(hits));
        while (mask != 0) {
            const char* at = p + __builtin_ctz(mask);
            if (!Special(state, at, on_line)) {
                stop = at;
                goto finished;
            }
            mask &= mask - 1;
        }
    }
#endif
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '\n' || c == '\r' || c == 0x1A) {
            if (!Special(state, p, on_line)) {
                stop = p;
                break;
            }
        }
    }
finished:
    if (state.line_start < stop)
        on_line(std::string_view(state.line_start, static_cast<size_t>(stop - state.line_start)));
    return stop;
}

}  // namespace veltod
