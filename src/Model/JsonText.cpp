#include "Model/JsonText.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace WorkspaceRecordReader::detail {

int utf8Sequence(const uchar* p, const uchar* end, char32_t* codePoint)
{
    const uchar lead = p[0];
    int length = 0;
    char32_t c = 0;
    uchar low = 0x80, high = 0xbf;
    if (lead < 0xc2) {
        return 0;
    } else if (lead < 0xe0) {
        length = 2;
        c = lead & 0x1f;
    } else if (lead < 0xf0) {
        length = 3;
        c = lead & 0x0f;
        if (lead == 0xe0)
            low = 0xa0;
        else if (lead == 0xed)
            high = 0x9f;
    } else if (lead < 0xf5) {
        length = 4;
        c = lead & 0x07;
        if (lead == 0xf0)
            low = 0x90;
        else if (lead == 0xf4)
            high = 0x8f;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    c = (c << 6) | (p[1] & 0x3f);
    for (int i = 2; i < length; ++i) {
        if ((p[i] & 0xc0) != 0x80)
            return 0;
        c = (c << 6) | (p[i] & 0x3f);
    }
    *codePoint = c;
    return length;
}

const char* endOfPlainText(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // The high bit of each byte: set for a quote, a backslash, or beyond ASCII.
        const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)), bytes);
        if (const int mask = _mm_movemask_epi8(stops))
            return p + std::countr_zero(unsigned(mask));
    }
#endif
    constexpr quint64 ones = 0x0101010101010101, highBits = 0x8080808080808080;
    // (x - ones) & ~x has a high bit set exactly when some byte of x is zero.
    const auto hasZeroByte = [](quint64 x) { return (x - ones) & ~x; };
    while (end - p >= 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if ((hasZeroByte(word ^ (ones * '"')) | hasZeroByte(word ^ (ones * '\\')) | word) & highBits)
            break;
        p += 8;
    }
    while (p < end && *p != '"' && *p != '\\' && uchar(*p) < 0x80)
        ++p;
    return p;
}

QString utf8Text(const char* p, qsizetype size)
{
    qsizetype marks = 0;
    while (startsWithMark(p + marks * kMarkSize, size - marks * kMarkSize))
        ++marks;
    if (marks == 0)
        return QString::fromUtf8(p, size);
    return QString(marks, QChar(0xfeff)) + QString::fromUtf8(p + marks * kMarkSize, size - marks * kMarkSize);
}

QString textOf(const StringToken& token)
{
    if (token.size == 0)
        return QString();
    if (token.ascii)
        return QString::fromLatin1(token.begin, token.size);
    return utf8Text(token.begin, token.size);
}

std::string keyBytes(const QString& text)
{
    std::string bytes;
    bytes.reserve(size_t(text.size()));
    const auto put = [&](char32_t c) {
        if (c < 0x80) {
            bytes += char(c);
        } else if (c < 0x800) {
            bytes += char(0xc0 | (c >> 6));
            bytes += char(0x80 | (c & 0x3f));
        } else if (c < 0x10000) {
            bytes += char(0xe0 | (c >> 12));
            bytes += char(0x80 | ((c >> 6) & 0x3f));
            bytes += char(0x80 | (c & 0x3f));
        } else {
            bytes += char(0xf0 | (c >> 18));
            bytes += char(0x80 | ((c >> 12) & 0x3f));
            bytes += char(0x80 | ((c >> 6) & 0x3f));
            bytes += char(0x80 | (c & 0x3f));
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            put(QChar::surrogateToUcs4(c, text.at(i + 1)));
            ++i;
        } else {
            put(c.unicode());
        }
    }
    return bytes;
}

} // namespace WorkspaceRecordReader::detail
