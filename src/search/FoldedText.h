#pragma once
// The search's view of a large text: folded once, a block at a time, and then searched for each
// word 16 or 32 bytes at a time, so that a search costs little more than reading the file. On x86
// the 32-byte instructions are used when the processor has them.

#include <cstddef>
#include <cstring>
#include <string>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ORV_WIDE_SCAN 1
#endif

// The letters A..Z of in[0..n) in lower case into out[0..n); every other byte as it is.
void FoldText(const char* in, char* out, size_t n);
// How many bytes `c` are in text[0..n).
size_t CountByte(const char* text, size_t n, char c);
// Whether the 32-byte instructions (AVX2) are used: the processor has them
// and tests have not turned them off (to try the 16-byte ones).
bool WideScan();
void SetWideScan(bool allowed);

// A word to look for in folded text, byte for byte.
class TFoldedWord {
public:
    // `word` is not empty and already folded.
    explicit TFoldedWord(std::string word) : FWord(std::move(word)) {}
    const std::string& Text() const { return FWord; }

    // Calls `from = fn(at)` for each place `at` in text[from..n) where the word begins, going on
    // from the place fn returns (after `at`).
    template <class F> void ForEach(const char* text, size_t from, size_t n, F&& fn) const;

private:
    // Whether the word is at `at`, whose first and last bytes are known to be the word's.
    bool Inner(const char* at) const {
        for (size_t i = 1; i + 1 < FWord.size(); ++i)
            if (at[i] != FWord[i])
                return false;
        return true;
    }
    // ForEach for the places from `from` while 32 of them are left before `last` (the last place
    // the word can begin); returns where to go on.
    template <class F> size_t Narrow(const char* text, size_t from, size_t last, F& fn) const;
#ifdef ORV_WIDE_SCAN
    template <class F>
    __attribute__((target("avx2"))) size_t Wide(const char* text, size_t from, size_t last, F& fn) const;
#endif

    std::string FWord;
};

// Each SIMD loop looks at 32 places at a time: where the first and the last byte of the word both
// are, the bytes between are compared.
template <class F> size_t TFoldedWord::Narrow(const char* text, size_t from, size_t last, F& fn) const {
    size_t i = from;
#ifdef __SSE2__
    const size_t size = FWord.size();
    auto load = [](const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    const __m128i first = _mm_set1_epi8(FWord[0]);
    const __m128i final = _mm_set1_epi8(FWord[size - 1]);
    while (i + 31 <= last) {
        const char* at = text + i;
        const __m128i a =
            _mm_and_si128(_mm_cmpeq_epi8(load(at), first), _mm_cmpeq_epi8(load(at + size - 1), final));
        const __m128i b =
            _mm_and_si128(_mm_cmpeq_epi8(load(at + 16), first), _mm_cmpeq_epi8(load(at + 15 + size), final));
        if (__builtin_expect(_mm_movemask_epi8(_mm_or_si128(a, b)) != 0, 0)) {
            unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(a)) |
                            static_cast<unsigned>(_mm_movemask_epi8(b)) << 16;
            for (; mask; mask &= mask - 1) {
                const size_t k = i + static_cast<size_t>(__builtin_ctz(mask));
                if (k >= from && Inner(text + k))
                    from = fn(k);
            }
        }
        i = from > i + 32 ? from : i + 32;
    }
#endif
    return i > from ? i : from;
}

#ifdef ORV_WIDE_SCAN
template <class F>
__attribute__((target("avx2"))) size_t TFoldedWord::Wide(const char* text, size_t from, size_t last,
                                                         F& fn) const {
    // (No lambdas here: they would not have the 32-byte instructions.)
    const size_t size = FWord.size();
    const __m256i first = _mm256_set1_epi8(FWord[0]);
    const __m256i final = _mm256_set1_epi8(FWord[size - 1]);
    size_t i = from;
    while (i + 31 <= last) {
        const auto* at = reinterpret_cast<const __m256i*>(text + i);
        const auto* end = reinterpret_cast<const __m256i*>(text + i + size - 1);
        auto mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(at), first),
                                                  _mm256_cmpeq_epi8(_mm256_loadu_si256(end), final))));
        if (__builtin_expect(mask != 0, 0))
            for (; mask; mask &= mask - 1) {
                const size_t k = i + static_cast<size_t>(__builtin_ctz(mask));
                if (k >= from && Inner(text + k))
                    from = fn(k);
            }
        i = from > i + 32 ? from : i + 32;
    }
    return i > from ? i : from;
}
#endif

template <class F> void TFoldedWord::ForEach(const char* text, size_t from, size_t n, F&& fn) const {
    const size_t size = FWord.size();
    if (n < size)
        return;
    const size_t last = n - size; // the last place the word can begin
#ifdef ORV_WIDE_SCAN
    size_t i = WideScan() ? Wide(text, from, last, fn) : Narrow(text, from, last, fn);
#else
    size_t i = Narrow(text, from, last, fn);
#endif
    while (i <= last) {
        const void* hit = std::memchr(text + i, FWord[0], last - i + 1);
        if (!hit)
            return;
        const size_t k = static_cast<size_t>(static_cast<const char*>(hit) - text);
        i = k + 1;
        if (text[k + size - 1] == FWord[size - 1] && Inner(text + k))
            i = fn(k);
    }
}
