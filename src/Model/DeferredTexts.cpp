#include "Model/DeferredTexts.h"

#include "Platform/SideBySide.h"

#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace WorkspaceRecordReader::detail {

namespace {

#if defined(Q_OS_LINUX)
const quintptr kPageSize = quintptr(sysconf(_SC_PAGESIZE));
#else
constexpr quintptr kPageSize = 4096;
#endif

const char* pageStart(const char* p)
{
    return reinterpret_cast<const char*>(quintptr(p) & ~(kPageSize - 1));
}

// Gives back the memory of the whole pages in [begin, end), which then read as zeros.
void releasePages(const char* begin, const char* end)
{
    const quintptr from = (quintptr(begin) + kPageSize - 1) & ~(kPageSize - 1);
    const quintptr to = quintptr(end) & ~(kPageSize - 1);
#if defined(Q_OS_LINUX)
    if (to > from)
        madvise(reinterpret_cast<void*>(from), size_t(to - from), MADV_DONTNEED);
#else
    Q_UNUSED(from);
    Q_UNUSED(to);
#endif
}

// The first byte at or after p that starts a UTF-8 sequence.
const char* sequenceStart(const char* p, const char* end)
{
    while (p < end && (uchar(*p) & 0xc0) == 0x80)
        ++p;
    return p;
}

// UTF-16 units of valid UTF-8: one for each byte that starts a sequence,
// and another for each four-byte one; eight bytes at a time.
qsizetype utf16Units(const char* begin, const char* end)
{
    constexpr quint64 highBits = 0x8080808080808080;
    qsizetype continuations = 0, fourByteLeads = 0;
    const char* p = begin;
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        continuations += std::popcount(word & ~(word << 1) & highBits);
        fourByteLeads += std::popcount(word & (word << 1) & (word << 2) & (word << 3) & highBits);
    }
    for (; p < end; ++p) {
        continuations += (uchar(*p) & 0xc0) == 0x80;
        fourByteLeads += uchar(*p) >= 0xf0;
    }
    return (end - begin) - continuations + fourByteLeads;
}

void makePiece(bool ascii, const char* begin, const char* end, QChar* out, bool releaseBytes)
{
    constexpr qsizetype kChunk = 1 << 20;
    QStringDecoder decoder(ascii ? QStringDecoder::Latin1 : QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const char* released = begin;
    for (const char* p = begin; p < end;) {
        const char* cut = sequenceStart(end - p > kChunk ? p + kChunk : end, end);
        out = decoder.appendToBuffer(out, QByteArrayView(p, cut - p));
        if (releaseBytes) {
            releasePages(released, cut);
            released = std::max(released, pageStart(cut)); // the page the cut is on goes with the next chunk
        }
        p = cut;
    }
}

} // namespace

void DeferredTexts::make(bool releaseBytes)
{
    for (Deferred& text : m_texts) {
        if (text.holder.isDetached())
            continue; // the record dropped it: a failed or repeated member
        // Most of a huge text's time goes to the system handing out fresh
        // pages, which it does for several threads at once: the text is
        // made in pieces side by side, each starting with a whole UTF-8
        // sequence and writing where the characters before it end.
        const int pieces = SideBySide::pieces(text.size);
        std::array<const char*, SideBySide::maxPieces + 1> cuts;
        std::array<QChar*, SideBySide::maxPieces + 1> outs;
        cuts[0] = text.begin;
        cuts[pieces] = text.begin + text.size;
        for (int i = 1; i < pieces; ++i)
            cuts[i] = sequenceStart(text.begin + text.size / pieces * i, cuts[pieces]);
        outs[0] = text.out;
        if (text.ascii) {
            for (int i = 1; i <= pieces; ++i)
                outs[i] = text.out + (cuts[i] - text.begin);
        } else {
            std::array<qsizetype, SideBySide::maxPieces> units;
            SideBySide::run(pieces, [&](int i) { units[i] = utf16Units(cuts[i], cuts[i + 1]); });
            for (int i = 0; i < pieces; ++i)
                outs[i + 1] = outs[i] + units[i];
        }
        Q_ASSERT(outs[pieces] == text.out + text.holder.size());
        SideBySide::run(pieces, [&](int i) { makePiece(text.ascii, cuts[i], cuts[i + 1], outs[i], releaseBytes); });
    }
    m_texts.clear();
}

} // namespace WorkspaceRecordReader::detail
