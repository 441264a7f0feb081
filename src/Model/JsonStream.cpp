#include "Model/JsonStream.h"

namespace WorkspaceRecordReader::detail {

StringToken JsonStream::readEscapedString(const char* start)
{
    m_scratch = utf8Text(start, m_p - start); // here a leading mark is text, as in QJsonDocument
    while (m_p < m_end) {
        const char* plain = m_p;
        m_p = endOfPlainText(m_p, m_end);
        m_scratch.append(QLatin1StringView(plain, m_p - plain));
        if (m_p >= m_end)
            break;
        const uchar c = uchar(*m_p);
        if (c == '"')
            break;
        if (c == '\\') {
            m_scratch.append(QChar(char16_t(readEscape())));
        } else {
            char32_t codePoint;
            const int length = utf8Sequence(reinterpret_cast<const uchar*>(m_p), reinterpret_cast<const uchar*>(m_end), &codePoint);
            if (!length)
                fail(QJsonParseError::IllegalUTF8String);
            m_p += length;
            if (QChar::requiresSurrogates(codePoint)) {
                m_scratch.append(QChar(QChar::highSurrogate(codePoint)));
                m_scratch.append(QChar(QChar::lowSurrogate(codePoint)));
            } else {
                m_scratch.append(QChar(char16_t(codePoint)));
            }
        }
    }
    closeString();
    return {start, 0, true, false};
}

char32_t JsonStream::readEscape()
{
    ++m_p;
    if (m_p >= m_end)
        fail(QJsonParseError::IllegalEscapeSequence);
    const uchar escaped = uchar(*m_p++);
    switch (escaped) {
    case 'b': return 0x8;
    case 'f': return 0xc;
    case 'n': return 0xa;
    case 'r': return 0xd;
    case 't': return 0x9;
    case 'u': {
        if (m_end - m_p < 4)
            fail(QJsonParseError::IllegalEscapeSequence);
        char32_t value = 0;
        for (int i = 0; i < 4; ++i, ++m_p) {
            const char h = *m_p;
            value <<= 4;
            if (h >= '0' && h <= '9')
                value |= char32_t(h - '0');
            else if (h >= 'a' && h <= 'f')
                value |= char32_t(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                value |= char32_t(h - 'A' + 10);
            else
                fail(QJsonParseError::IllegalEscapeSequence);
        }
        return value;
    }
    default:
        return escaped;
    }
}

} // namespace WorkspaceRecordReader::detail
