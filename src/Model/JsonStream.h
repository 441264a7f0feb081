#pragma once

#include "Model/JsonText.h"
#include "Model/ObjectKeys.h"

#include <QByteArray>
#include <QJsonParseError>
#include <QString>
#include <cstring>
#include <deque>
#include <optional>
#include <utility>

// WorkspaceRecordReader's pull reader and the values it reads; internal to
// the reader. What runs for every value is defined in the class, to inline
// into the decoder; only escaped strings, which are rare, are read out of line.
namespace WorkspaceRecordReader::detail {

using ParseError = QJsonParseError::ParseError;

// The text is not JSON as QJsonDocument reads it; ends the whole read.
struct SyntaxError {
    ParseError error;
};

// An object holds an escaped key beyond U+D7FF: QJsonDocument orders such
// keys inconsistently (UTF-16 order between two escaped keys, code point
// order otherwise), so only its own tree says what a lookup finds and which
// failure comes first. Also thrown for a map key that starts with an
// unescaped byte-order mark.
struct NeedsTree {};

inline constexpr int kNestingLimit = 1024; // QJsonDocument's

// A number as QJsonDocument keeps it: an integer when the literal is one that
// fits, or when it reads as an integral double in range; else a double.
struct Number {
    bool isInteger = false;
    qint64 integer = 0;
    double real = 0;
};

// A value as read; a string stays bytes until its text is needed.
struct Scalar {
    enum class Kind : quint8 { absent, null, boolean, number, string, array, object };
    Kind kind = Kind::absent;
    bool flag = false;
    Number number;
    StringToken string;
    QString escapedText; // the text of an escaped string

    bool present() const { return kind != Kind::absent && kind != Kind::null; }

    // Only for a string.
    bool equals(QLatin1StringView name) const
    {
        if (string.escaped)
            return escapedText == name;
        return string.size == name.size() && std::memcmp(string.begin, name.data(), size_t(name.size())) == 0;
    }
};
using Kind = Scalar::Kind;

// A pull reader that accepts and rejects exactly the text QJsonDocument does,
// failing with the first error its recursive descent would meet.
class JsonStream {
public:
    JsonStream(const char* begin, const char* end) : m_p(begin), m_end(end) {}

    [[noreturn]] static void fail(ParseError error) { throw SyntaxError{error}; }

    void skipByteOrderMark()
    {
        if (m_end - m_p > 3 && uchar(m_p[0]) == 0xef && uchar(m_p[1]) == 0xbb && uchar(m_p[2]) == 0xbf)
            m_p += 3;
    }

    // True while something is left.
    bool skipSpace()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '\r'))
            ++m_p;
        return m_p < m_end;
    }

    // Consumes one character; 0 unless it is structural (or at the end).
    char nextToken()
    {
        if (!skipSpace())
            return 0;
        const char c = *m_p++;
        switch (c) {
        case '[': case '{': case ':': case ',': case ']': case '}': case '"':
            return c;
        default:
            return 0;
        }
    }

    void expectEnd()
    {
        skipSpace();
        if (m_p < m_end)
            fail(QJsonParseError::GarbageAtEnd);
    }

    // The first character of a value; only where one is known to be left.
    char peek() const { return *m_p; }
    void advance() { ++m_p; }

    // After '{': reads the members, handing each key to onMember, which reads
    // exactly one value.
    template <typename OnMember> void readObjectBody(OnMember&& onMember)
    {
        enter();
        ObjectKeys* keys = nullptr;
        if (!m_repeatedKey) {
            if (m_objectKeys.size() < size_t(m_depth))
                m_objectKeys.resize(size_t(m_depth));
            keys = &m_objectKeys[size_t(m_depth) - 1];
            keys->clear();
        }
        char token = nextToken();
        while (token == '"') {
            const StringToken key = readString();
            if (keys && !m_repeatedKey)
                noteKey(*keys, key);
            if (nextToken() != ':')
                fail(QJsonParseError::MissingNameSeparator);
            if (!skipSpace())
                fail(QJsonParseError::UnterminatedObject);
            onMember(key);
            token = nextToken();
            if (token != ',')
                break;
            token = nextToken();
            if (token == '}')
                fail(QJsonParseError::MissingObject);
        }
        if (token != '}')
            fail(QJsonParseError::UnterminatedObject);
        --m_depth;
    }

    // After '[': onElement reads exactly one value each time.
    template <typename OnElement> void readArrayBody(OnElement&& onElement)
    {
        enter();
        if (!skipSpace())
            fail(QJsonParseError::UnterminatedArray);
        if (*m_p == ']') {
            ++m_p;
        } else {
            for (;;) {
                if (!skipSpace())
                    fail(QJsonParseError::UnterminatedArray);
                onElement();
                const char token = nextToken();
                if (token == ']')
                    break;
                if (token != ',')
                    fail(skipSpace() ? QJsonParseError::MissingValueSeparator : QJsonParseError::UnterminatedArray);
            }
        }
        --m_depth;
    }

    // Reads one value into out (containers only checked and named), or only
    // checks it when out is null.
    Kind readValue(Scalar* out)
    {
        switch (*m_p++) {
        case 'n':
            literal("ull", 4);
            return set(out, Kind::null);
        case 't':
            literal("rue", 4);
            if (out)
                out->flag = true;
            return set(out, Kind::boolean);
        case 'f':
            literal("alse", 5);
            if (out)
                out->flag = false;
            return set(out, Kind::boolean);
        case '"': {
            StringToken token = readString();
            // QJsonDocument keeps an unescaped string as UTF-8 and reads its
            // text with QString::fromUtf8, which takes a leading byte-order
            // mark for a mark. Leaving it out makes the token's bytes the
            // value's text, for every comparison. (A key keeps its mark: an
            // object looks keys up by their bytes.)
            if (!token.escaped && startsWithMark(token.begin, token.size)) {
                token.begin += kMarkSize;
                token.size -= kMarkSize;
                token.units -= 1;
            }
            if (out) {
                out->string = token;
                if (token.escaped)
                    out->escapedText = std::exchange(m_scratch, QString());
            }
            return set(out, Kind::string);
        }
        case '[':
            readArrayBody([this] { readValue(nullptr); });
            return set(out, Kind::array);
        case '{':
            readObjectBody([this](const StringToken&) { readValue(nullptr); });
            return set(out, Kind::object);
        case ',':
            fail(QJsonParseError::IllegalValue);
        case ']':
        case '}':
            fail(QJsonParseError::MissingObject);
        default: {
            --m_p;
            const Number number = readNumber();
            if (out)
                out->number = number;
            return set(out, Kind::number);
        }
        }
    }

    void skipValue() { readValue(nullptr); }

    // The text of the escaped string just read (only once).
    QString takeEscapedText() { return std::exchange(m_scratch, QString()); }

    bool textEquals(const StringToken& token, QLatin1StringView name) const
    {
        if (token.escaped)
            return m_scratch == name;
        return token.size == name.size() && std::memcmp(token.begin, name.data(), size_t(name.size())) == 0;
    }

    // The first key an object repeated, in text order.
    const std::optional<QString>& repeatedKey() const { return m_repeatedKey; }

    // See NeedsTree; called for every key of an object whose members are read.
    void checkKeyOrderIsConsistent(const StringToken& token) const
    {
        if (!token.escaped)
            return;
        for (const QChar c : m_scratch) {
            if (c.unicode() >= 0xd800)
                throw NeedsTree{};
        }
    }

private:
    // Just after the key is read, while an escaped key's text is in m_scratch.
    // Keys are compared as a QJsonObject gives them back: without escapes, a
    // leading byte-order mark is dropped, so two map keys may become one.
    void noteKey(ObjectKeys& keys, StringToken key)
    {
        if (!key.escaped && startsWithMark(key.begin, key.size)) {
            key.begin += kMarkSize;
            key.size -= kMarkSize;
        }
        const std::string_view bytes = key.escaped ? keys.own(keyBytes(m_scratch)) : std::string_view(key.begin, size_t(key.size));
        if (!keys.insert(bytes))
            m_repeatedKey = key.escaped ? m_scratch : textOf(key);
    }

    void enter()
    {
        if (++m_depth > kNestingLimit)
            fail(QJsonParseError::DeepNesting);
    }

    static Kind set(Scalar* out, Kind kind)
    {
        if (out)
            out->kind = kind;
        return kind;
    }

    // The rest of true, false or null; QJsonDocument wants `needed` characters
    // left after the first one, and fails on the first one that differs.
    void literal(const char* rest, qsizetype needed)
    {
        if (m_end - m_p < needed)
            fail(QJsonParseError::IllegalValue);
        for (; *rest; ++rest) {
            if (*m_p++ != *rest)
                fail(QJsonParseError::IllegalValue);
        }
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    // Always inlined: it runs for every number, from one caller, and GCC
    // inlines a function called once by itself only when it is file-local.
    Q_ALWAYS_INLINE Number readNumber()
    {
        const char* start = m_p;
        bool isInt = true;
        if (m_p < m_end && *m_p == '-')
            ++m_p;
        if (m_p < m_end && *m_p == '0') {
            ++m_p;
        } else {
            while (m_p < m_end && isDigit(*m_p))
                ++m_p;
        }
        const char* integerEnd = m_p;
        if (m_p < m_end && *m_p == '.') {
            ++m_p;
            while (m_p < m_end && isDigit(*m_p)) {
                isInt = isInt && *m_p == '0';
                ++m_p;
            }
        }
        if (m_p < m_end && (*m_p == 'e' || *m_p == 'E')) {
            isInt = false;
            ++m_p;
            if (m_p < m_end && (*m_p == '-' || *m_p == '+'))
                ++m_p;
            while (m_p < m_end && isDigit(*m_p))
                ++m_p;
        }
        if (m_p >= m_end)
            fail(QJsonParseError::TerminationByNumber);

        Number number;
        const qsizetype size = m_p - start;
        const bool negative = *start == '-';
        const qsizetype digits = (integerEnd - start) - (negative ? 1 : 0);
        if (integerEnd == m_p && digits >= 1 && digits <= 18) {
            // Plain digits that cannot overflow: what toLongLong would give.
            qint64 value = 0;
            for (const char* c = start + (negative ? 1 : 0); c < m_p; ++c)
                value = value * 10 + (*c - '0');
            number.isInteger = true;
            number.integer = negative ? -value : value;
            return number;
        }
        // Qt's own conversions, so every edge (overflow, underflow, "1.") is its own.
        const QByteArray literal = QByteArray::fromRawData(start, size);
        bool ok = false;
        if (isInt) {
            const qlonglong value = literal.toLongLong(&ok);
            if (ok) {
                number.isInteger = true;
                number.integer = value;
                return number;
            }
        }
        const double d = literal.toDouble(&ok);
        if (!ok)
            fail(QJsonParseError::IllegalNumber);
        if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 && double(qint64(d)) == d) {
            number.isInteger = true;
            number.integer = qint64(d);
        } else {
            number.real = d;
        }
        return number;
    }

    // After the opening quote.
    StringToken readString()
    {
        const char* start = m_p;
        bool ascii = true;
        qsizetype saved = 0; // UTF-16 units fewer than bytes
        while ((m_p = endOfPlainText(m_p, m_end)) < m_end) {
            const uchar c = uchar(*m_p);
            if (c == '"')
                break;
            if (c == '\\') {
                if (m_end - m_p < 2)
                    fail(QJsonParseError::UnterminatedString); // checked before the escape is read
                return readEscapedString(start);
            }
            ascii = false;
            char32_t codePoint;
            const int length = utf8Sequence(reinterpret_cast<const uchar*>(m_p), reinterpret_cast<const uchar*>(m_end), &codePoint);
            if (!length)
                fail(QJsonParseError::IllegalUTF8String);
            m_p += length;
            saved += length == 4 ? 2 : length - 1;
        }
        const qsizetype size = m_p - start;
        closeString();
        return {start, size, false, ascii, size - saved};
    }

    // From the first backslash on; the text before it is plain, valid UTF-8.
    StringToken readEscapedString(const char* start);

    // At a backslash; any character other than the known escapes stands for
    // itself (a single byte, even one that starts a UTF-8 sequence).
    char32_t readEscape();

    // At the closing quote, or at the end; a string must not end the text.
    void closeString()
    {
        if (m_p >= m_end)
            fail(QJsonParseError::UnterminatedString);
        ++m_p;
        if (m_p >= m_end)
            fail(QJsonParseError::UnterminatedString);
    }

    const char* m_p;
    const char* m_end;
    int m_depth = 0;
    QString m_scratch;
    std::deque<ObjectKeys> m_objectKeys; // by depth; never moves what it holds
    std::optional<QString> m_repeatedKey;
};

} // namespace WorkspaceRecordReader::detail
