#include "FoldedText.h"

namespace {
inline char FoldByte(char c) {
    const auto u = static_cast<unsigned char>(c);
    return static_cast<unsigned char>(u - 'A') < 26 ? static_cast<char>(u + ('a' - 'A')) : c;
}

// 'A'..'Z' shifted to the 26 smallest signed bytes, so that one signed compare finds them.
constexpr char ShiftToBottom = static_cast<char>(0x80 - 'A');
constexpr char AboveLetters = static_cast<char>(-128 + 26);

#ifdef __SSE2__
inline __m128i Load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

void FoldNarrow(const char* in, char* out, size_t n) {
    const __m128i shift = _mm_set1_epi8(ShiftToBottom);
    const __m128i above = _mm_set1_epi8(AboveLetters);
    const __m128i caseBit = _mm_set1_epi8(0x20);
    auto fold = [&](size_t at) {
        const __m128i v = Load(in + at);
        const __m128i upper = _mm_cmplt_epi8(_mm_add_epi8(v, shift), above);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at),
                         _mm_add_epi8(v, _mm_and_si128(upper, caseBit)));
    };
    size_t i = 0;
    for (; i + 16 <= n; i += 16)
        fold(i);
    if (i < n)
        fold(n - 16); // the last sixteen bytes again, rather than one at a time
}

size_t CountNarrow(const char* text, size_t n, char c) {
    // Each match subtracts -1 from a byte of the sum, which _mm_sad_epu8 adds up; a byte of the
    // sum holds at most 255, so the sums are taken every 255 rounds.
    const __m128i wanted = _mm_set1_epi8(c);
    const __m128i zero = _mm_setzero_si128();
    size_t count = 0, i = 0;
    while (i + 16 <= n) {
        __m128i sum = zero;
        for (size_t rounds = 0; rounds < 255 && i + 16 <= n; ++rounds, i += 16)
            sum = _mm_sub_epi8(sum, _mm_cmpeq_epi8(Load(text + i), wanted));
        const __m128i total = _mm_sad_epu8(sum, zero);
        count += static_cast<size_t>(_mm_cvtsi128_si32(total) + _mm_extract_epi16(total, 4));
    }
    // The last sixteen bytes, those counted already left out.
    if (i < n) {
        const auto m = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Load(text + n - 16), wanted)));
        for (unsigned rest = m >> (16 - (n - i)); rest; rest &= rest - 1)
            ++count;
    }
    return count;
}
#endif

#ifdef ORV_WIDE_SCAN
// (No lambdas here: they would not have the 32-byte instructions.)
__attribute__((target("avx2"))) void FoldWide(const char* in, char* out, size_t n) {
    const __m256i shift = _mm256_set1_epi8(ShiftToBottom);
    const __m256i above = _mm256_set1_epi8(AboveLetters);
    const __m256i caseBit = _mm256_set1_epi8(0x20);
    for (size_t i = 0; i < n; i += 32) {
        const size_t at = i + 32 <= n ? i : n - 32; // the last 32 bytes again, rather than one at a time
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + at));
        const __m256i upper = _mm256_cmpgt_epi8(above, _mm256_add_epi8(v, shift));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at),
                            _mm256_add_epi8(v, _mm256_and_si256(upper, caseBit)));
    }
}

__attribute__((target("avx2"))) size_t CountWide(const char* text, size_t n, char c) {
    const __m256i wanted = _mm256_set1_epi8(c);
    const __m256i zero = _mm256_setzero_si256();
    size_t count = 0, i = 0;
    while (i + 32 <= n) {
        __m256i sum = zero;
        for (size_t rounds = 0; rounds < 255 && i + 32 <= n; ++rounds, i += 32)
            sum = _mm256_sub_epi8(
                sum,
                _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i)), wanted));
        const __m256i total = _mm256_sad_epu8(sum, zero);
        count += static_cast<size_t>(_mm256_extract_epi64(total, 0) + _mm256_extract_epi64(total, 1) +
                                     _mm256_extract_epi64(total, 2) + _mm256_extract_epi64(total, 3));
    }
    if (i < n) {
        const __m256i last = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + n - 32));
        const auto m = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(last, wanted)));
        for (unsigned rest = m >> (32 - (n - i)); rest; rest &= rest - 1)
            ++count;
    }
    return count;
}
#endif
} // namespace

namespace {
bool WideAllowed = true;
}

bool WideScan() {
#ifdef ORV_WIDE_SCAN
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported && WideAllowed;
#else
    return false;
#endif
}

void SetWideScan(bool allowed) {
    WideAllowed = allowed;
}

void FoldText(const char* in, char* out, size_t n) {
#ifdef ORV_WIDE_SCAN
    if (n >= 32 && WideScan())
        return FoldWide(in, out, n);
#endif
#ifdef __SSE2__
    if (n >= 16)
        return FoldNarrow(in, out, n);
#endif
    for (size_t i = 0; i < n; ++i)
        out[i] = FoldByte(in[i]);
}

size_t CountByte(const char* text, size_t n, char c) {
#ifdef ORV_WIDE_SCAN
    if (n >= 32 && WideScan())
        return CountWide(text, n, c);
#endif
#ifdef __SSE2__
    if (n >= 16)
        return CountNarrow(text, n, c);
#endif
    size_t count = 0;
    for (size_t i = 0; i < n; ++i)
        count += text[i] == c;
    return count;
}
