#pragma once

#include "Model/JsonText.h"

#include <QString>
#include <vector>

// Internal to WorkspaceRecordReader: the long texts of a record, made once
// it has decoded.
namespace WorkspaceRecordReader::detail {

// Unescaped text this long is made only once the whole record has decoded
// (a record that fails costs no text), and from bytes their owner may give
// back as it goes, so that a huge text is never held twice. Small enough for
// the fuzz target's inputs to reach.
inline constexpr qsizetype kDeferredTextBytes = 256;

class DeferredTexts {
public:
    // A text of the token's length whose characters make() writes, through
    // every copy the record makes of it meanwhile; until then nothing may
    // read them.
    QString add(const StringToken& token)
    {
        QString text;
        // Room for a character per byte, which no decoding exceeds; pages never written cost nothing.
        text.reserve(token.size);
        text.resize(token.units);
        QChar* out = text.data();
        m_texts.push_back({token.begin, token.size, token.ascii, out, text});
        return text;
    }

    void clear() { m_texts.clear(); }

    // Writes every text still held by the record; with `releaseBytes`, gives
    // back the pages of each text's bytes as its characters are written.
    void make(bool releaseBytes);

private:
    struct Deferred {
        const char* begin;
        qsizetype size;
        bool ascii;
        QChar* out;
        QString holder; // keeps the characters alive while the record may drop its copy
    };
    std::vector<Deferred> m_texts;
};

} // namespace WorkspaceRecordReader::detail
