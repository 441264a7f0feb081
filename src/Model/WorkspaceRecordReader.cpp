#include "Model/WorkspaceRecordReader.h"

#include "Model/JsonCoding.h"
#include "Platform/SideBySide.h"
#include "Platform/Uuid.h"

#include <QMap>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace WorkspaceRecordReader {

Record readThroughTree(const QByteArray& bytes)
{
    const QJsonValue root = Json::parse(bytes);
    // The error worth reporting is the one of the form the record is in; data
    // of neither form reports the older list form's error.
    if (root.isObject())
        return TaskWorkspaceState::fromJson(root);
    return TaskItems::fromJson(root);
}

namespace {

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

constexpr int kNestingLimit = 1024; // QJsonDocument's

// A string as read: its bytes when it holds no escape, else its text is in
// the stream's scratch string until the next string is read.
struct StringToken {
    const char* begin = nullptr;
    qsizetype size = 0;
    bool escaped = false;
    bool ascii = true;
    qsizetype units = 0; // of its text in UTF-16, when it holds no escape
};

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

// Length of the well-formed UTF-8 sequence at p whose lead byte is not ASCII
// (overlong forms, surrogates and code points past U+10FFFF are not), or 0.
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

constexpr qsizetype kMarkSize = 3;

// Where the run of string bytes that need no attention ends: the first quote,
// backslash or byte beyond ASCII, or the end. Many bytes at a time, since a
// stored text may be megabytes long.
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

bool startsWithMark(const char* p, qsizetype size)
{
    return size >= kMarkSize && uchar(p[0]) == 0xef && uchar(p[1]) == 0xbb && uchar(p[2]) == 0xbf;
}

// Valid UTF-8 as text, every character kept: QString::fromUtf8 would drop a
// leading byte-order mark.
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

// Key text as bytes that are equal exactly when the texts are: UTF-8, with a
// lone surrogate (only an escape makes one) written as a sequence of its own.
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

// The keys of one object as it is read, to find one it repeats.
class ObjectKeys {
public:
    void clear()
    {
        m_keys.clear();
        if (!m_owned.empty())
            m_owned.clear();
        if (m_indexed) {
            m_index.clear();
            m_indexed = false;
        }
    }

    // A key's bytes must outlive the object; own() keeps a copy that does.
    std::string_view own(std::string bytes) { return m_owned.emplace_back(std::move(bytes)); }

    // False when the object already holds the key.
    bool insert(std::string_view key)
    {
        if (m_indexed)
            return m_index.insert(key).second;
        // One comparison each for most keys.
        const Key candidate{key, leadingBytes(key)};
        for (const Key& known : m_keys) {
            if (known.lead == candidate.lead && known.text == candidate.text)
                return false;
        }
        m_keys.push_back(candidate);
        if (m_keys.size() >= kCompared) {
            for (const Key& known : m_keys)
                m_index.insert(known.text);
            m_indexed = true;
        }
        return true;
    }

private:
    struct Key {
        std::string_view text;
        quint64 lead; // see leadingBytes
    };
    // The length, the first, middle and last bytes: keys that differ mostly differ here.
    static quint64 leadingBytes(std::string_view key)
    {
        if (key.empty())
            return 0;
        const auto byte = [&](size_t i) { return quint64(uchar(key[i])); };
        return quint64(key.size()) << 24 | byte(0) << 16 | byte(key.size() / 2) << 8 | byte(key.size() - 1);
    }

    // A record's objects hold a dozen keys at most; a map may hold any number.
    static constexpr size_t kCompared = 16;
    std::vector<Key> m_keys;
    std::deque<std::string> m_owned; // never moves what it holds
    std::unordered_set<std::string_view> m_index;
    bool m_indexed = false;
};

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

    Number readNumber()
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
    StringToken readEscapedString(const char* start)
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

    // At a backslash; any character other than the known escapes stands for
    // itself (a single byte, even one that starts a UTF-8 sequence).
    char32_t readEscape()
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

// Unescaped text this long is made only once the whole record has decoded
// (a record that fails costs no text), and from bytes their owner may give
// back as it goes, so that a huge text is never held twice. Small enough for
// the fuzz target's inputs to reach.
constexpr qsizetype kDeferredTextBytes = 256;

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
    void make(bool releaseBytes)
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

private:
    // The first byte at or after p that starts a UTF-8 sequence.
    static const char* sequenceStart(const char* p, const char* end)
    {
        while (p < end && (uchar(*p) & 0xc0) == 0x80)
            ++p;
        return p;
    }

    // UTF-16 units of valid UTF-8: one for each byte that starts a sequence,
    // and another for each four-byte one; eight bytes at a time.
    static qsizetype utf16Units(const char* begin, const char* end)
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

    static void makePiece(bool ascii, const char* begin, const char* end, QChar* out, bool releaseBytes)
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

    struct Deferred {
        const char* begin;
        qsizetype size;
        bool ascii;
        QChar* out;
        QString holder; // keeps the characters alive while the record may drop its copy
    };
    std::vector<Deferred> m_texts;
};

// Hands out one shared copy of unescaped text that repeats: ids across the
// whole record, and within a task its title (as its AI results' source
// title) and its reason. Fewer allocations load faster and leave the heap
// less fragmented.
class SharedText {
public:
    explicit SharedText(DeferredTexts& deferred) : m_deferred(deferred)
    {
        static const QByteArray all = kAllWorkspaceID.toLatin1();
        m_ids[m_idCount++] = {all.constData(), all.size(), kAllWorkspaceID};
    }

    // Ids are compared and ordered as they are read, so their text is made at once.
    QString id(const StringToken& token) { return find(m_ids, m_idCount, token, false, nullptr); }
    QString text(const StringToken& token) { return find(m_recent, m_recentNext, token, true, &m_deferred); }

private:
    struct Entry {
        const char* begin = nullptr;
        qsizetype size = 0;
        QString text;
    };

    template <size_t N>
    static QString find(std::array<Entry, N>& entries, size_t& next, const StringToken& token, bool ring, DeferredTexts* deferred)
    {
        if (token.size == 0)
            return QString();
        for (const Entry& entry : entries) {
            if (entry.size == token.size && std::memcmp(entry.begin, token.begin, size_t(token.size)) == 0)
                return entry.text;
        }
        QString text = deferred && token.size >= kDeferredTextBytes ? deferred->add(token) : textOf(token);
        if (next < N) {
            entries[next] = {token.begin, token.size, text};
            next = ring ? (next + 1) % N : next + 1;
        }
        return text;
    }

    std::array<Entry, 32> m_ids;
    size_t m_idCount = 0;
    std::array<Entry, 8> m_recent;
    size_t m_recentNext = 0;
    DeferredTexts& m_deferred;
};

// A member that holds a record of its own: what kind of value it was and,
// for the expected kind, the record or the failure decoding it.
template <typename T> struct Nested {
    Kind kind = Kind::absent;
    std::optional<T> value;
    std::optional<std::string> failure;

    bool present() const { return kind != Kind::absent && kind != Kind::null; }
};

// Keys ordered as QJsonDocument orders keys that are not escaped beyond
// U+D7FF: by code point.
bool codePointLess(const QString& a, const QString& b)
{
    const auto weight = [](char16_t u) { return u >= 0xe000 ? u - 0x800 : u >= 0xd800 ? u + 0x2000 : int(u); };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return weight(a[i].unicode()) < weight(b[i].unicode());
    }
    return a.size() < b.size();
}

// The failure QJsonObject iteration meets first.
[[noreturn]] void throwFirst(const QMap<QString, std::string>& failures)
{
    auto first = failures.cbegin();
    for (auto it = failures.cbegin(); it != failures.cend(); ++it) {
        if (codePointLess(it.key(), first.key()))
            first = it;
    }
    throw DecodingError(first.value());
}

// Members are collected whole and then checked in the order the tree
// decoders check them, so the same failure is reported; a failure never stops
// reading, since a later syntax error must win over it.
class RecordDecoder {
public:
    RecordDecoder(JsonStream& stream, DeferredTexts& deferred) : m_stream(stream), m_shared(deferred) {}

    TaskWorkspaceState workspace()
    {
        Nested<SectionList> sections;
        Nested<TaskList> tasks;
        Nested<QMap<QString, QString>> prompts;
        Scalar selected, defaultPrompt;
        readMembers(kWorkspaceKeys, [&](int member) {
            switch (member) {
            case 0: return readNested(sections, '[', [this] { return records<TaskSection>("sections", &RecordDecoder::section); });
            case 1: return readNested(tasks, '[', [this] { return records<TaskItem>("tasks", &RecordDecoder::task); });
            case 2: return read(selected);
            case 3: return readNested(prompts, '{', [this] { return promptMap(); });
            case 4: return read(defaultPrompt);
            }
        });
        TaskWorkspaceState state;
        state.sections = take(sections, QStringLiteral("sections"), Kind::array);
        state.tasks = take(tasks, QStringLiteral("tasks"), Kind::array);
        if (!selected.present())
            Json::fail(QStringLiteral("selectedWorkspaceID"), QStringLiteral("missing"));
        state.selectedWorkspaceID = idText(selected, QStringLiteral("selectedWorkspaceID"));
        if (prompts.present())
            state.workspacePromptsByID = take(prompts, QStringLiteral("workspacePromptsByID"), Kind::object);
        state.defaultPromptOverride = optionalString(defaultPrompt, QStringLiteral("defaultPromptOverride")).value_or(QString());
        return state;
    }

    // After '[': every element must be an object before any is decoded.
    template <typename T> QList<T> records(const char* name, T (RecordDecoder::*decode)())
    {
        QList<T> list;
        std::optional<qsizetype> nonObject;
        std::optional<std::string> failure;
        qsizetype index = 0;
        m_stream.readArrayBody([&] {
            if (m_stream.peek() != '{') {
                if (!nonObject)
                    nonObject = index;
                m_stream.skipValue();
            } else if (nonObject || failure) {
                m_stream.skipValue(); // only its syntax matters now
            } else {
                m_stream.advance();
                try {
                    list.append((this->*decode)());
                } catch (const DecodingError& error) {
                    failure = std::string(name) + '[' + std::to_string(index) + "]." + error.what();
                    list = QList<T>();
                }
            }
            ++index;
        });
        if (nonObject)
            Json::fail(QStringLiteral("%1[%2]").arg(QLatin1StringView(name)).arg(*nonObject), QStringLiteral("expected an object"));
        if (failure)
            throw DecodingError(*failure);
        return list;
    }

    TaskItem task()
    {
        Scalar id, title, sectionID, priority, reasonText, sourceTitle, createdAt, sortOrder, isCompleted, completedAt;
        Nested<QMap<QString, TaskAIState>> aiStates;
        Nested<TaskReminder> reminder;
        readMembers(kTaskKeys, [&](int member) {
            switch (member) {
            case 0: return read(id);
            case 1: return read(title);
            case 2: return read(sectionID);
            case 3: return read(priority);
            case 4: return read(reasonText);
            case 5: return read(sourceTitle);
            case 6: return readNested(aiStates, '{', [this] { return aiStateMap(); });
            case 7: return read(createdAt);
            case 8: return read(sortOrder);
            case 9: return read(isCompleted);
            case 10: return read(completedAt);
            case 11: return readNested(reminder, '{', [this] { return taskReminder(); });
            }
        });
        TaskItem task;
        if (!id.present())
            Json::fail(QStringLiteral("id"), QStringLiteral("missing"));
        requireString(id, QStringLiteral("id"));
        const std::optional<QUuid> uuid = id.string.escaped ? Uuid::parse(id.escapedText)
            : id.string.ascii ? Uuid::parse(QLatin1StringView(id.string.begin, id.string.size))
                              : Uuid::parse(textOf(id.string));
        if (!uuid)
            Json::fail(QStringLiteral("id"), QStringLiteral("not a valid UUID"));
        task.id = *uuid;
        task.title = requiredString(title, QStringLiteral("title"));
        task.sectionID = optionalId(sectionID, QStringLiteral("sectionID")).value_or(QString(BuiltInSections::personalID));
        task.priority = requiredPriority(priority);
        task.reasonText = requiredString(reasonText, QStringLiteral("reasonText"));
        task.aiReasonSourceTitle = optionalString(sourceTitle, QStringLiteral("aiReasonSourceTitle"));
        if (aiStates.present())
            task.aiStatesByWorkspace = take(aiStates, QStringLiteral("aiStatesByWorkspace"), Kind::object);
        task.createdAt = requiredDate(createdAt, QStringLiteral("createdAt"));
        if (sortOrder.present())
            task.sortOrder = integer(sortOrder, QStringLiteral("sortOrder"));
        if (isCompleted.present())
            task.isCompleted = boolean(isCompleted, QStringLiteral("isCompleted"));
        if (completedAt.present())
            task.completedAt = date(completedAt, QStringLiteral("completedAt"));
        if (reminder.present())
            task.reminder = take(reminder, QStringLiteral("reminder"), Kind::object);
        return task;
    }

private:
    static constexpr std::array kWorkspaceKeys{QLatin1StringView("sections"), QLatin1StringView("tasks"),
                                               QLatin1StringView("selectedWorkspaceID"),
                                               QLatin1StringView("workspacePromptsByID"),
                                               QLatin1StringView("defaultPromptOverride")};
    static constexpr std::array kTaskKeys{
        QLatin1StringView("id"),          QLatin1StringView("title"),
        QLatin1StringView("sectionID"),   QLatin1StringView("priority"),
        QLatin1StringView("reasonText"),  QLatin1StringView("aiReasonSourceTitle"),
        QLatin1StringView("aiStatesByWorkspace"), QLatin1StringView("createdAt"),
        QLatin1StringView("sortOrder"),   QLatin1StringView("isCompleted"),
        QLatin1StringView("completedAt"), QLatin1StringView("reminder")};
    static constexpr std::array kAIStateKeys{QLatin1StringView("priority"), QLatin1StringView("reasonText"),
                                             QLatin1StringView("sourceTitle")};
    static constexpr std::array kReminderKeys{QLatin1StringView("scheduledAt"), QLatin1StringView("isDelivering")};
    static constexpr std::array kSectionKeys{QLatin1StringView("id"),        QLatin1StringView("title"),
                                             QLatin1StringView("kind"),      QLatin1StringView("sortOrder"),
                                             QLatin1StringView("accent"),    QLatin1StringView("reminder")};

    // After '{': hands the index of each known key to onMember, which reads
    // its value; unknown members are only checked. A repeated key is read
    // again, but the stream has noted it, and the record fails.
    template <size_t N, typename OnMember> void readMembers(const std::array<QLatin1StringView, N>& keys, OnMember&& onMember)
    {
        m_stream.readObjectBody([&](const StringToken& key) {
            m_stream.checkKeyOrderIsConsistent(key);
            for (size_t i = 0; i < N; ++i) {
                if (m_stream.textEquals(key, keys[i]))
                    return onMember(int(i));
            }
            m_stream.skipValue();
        });
    }

    // After '{': a map whose values decode each on their own; the failure of
    // the first key in QJsonObject's order wins.
    template <typename T, typename DecodeValue> QMap<QString, T> map(DecodeValue&& decodeValue)
    {
        QMap<QString, T> values;
        QMap<QString, std::string> failures;
        m_stream.readObjectBody([&](const StringToken& token) {
            m_stream.checkKeyOrderIsConsistent(token);
            // Iterating, QJsonObject reads such a key without its mark, but
            // orders it by its bytes; the tree settles which value wins.
            if (!token.escaped && startsWithMark(token.begin, token.size))
                throw NeedsTree{};
            const QString key = token.escaped ? m_stream.takeEscapedText() : m_shared.id(token);
            try {
                T value = decodeValue(key);
                failures.remove(key);
                values.insert(key, std::move(value));
            } catch (const DecodingError& error) {
                values.remove(key);
                failures.insert(key, error.what());
            }
        });
        if (!failures.isEmpty())
            throwFirst(failures);
        return values;
    }

    QMap<QString, TaskAIState> aiStateMap()
    {
        return map<TaskAIState>([this](const QString&) {
            if (m_stream.peek() != '{') {
                m_stream.skipValue();
                Json::fail(QStringLiteral("aiState"), QStringLiteral("expected an object"));
            }
            m_stream.advance();
            return aiState();
        });
    }

    QMap<QString, QString> promptMap()
    {
        return map<QString>([this](const QString& key) {
            Scalar prompt;
            read(prompt);
            return string(prompt, key);
        });
    }

    TaskAIState aiState()
    {
        Scalar priority, reasonText, sourceTitle;
        readMembers(kAIStateKeys, [&](int member) {
            switch (member) {
            case 0: return read(priority);
            case 1: return read(reasonText);
            case 2: return read(sourceTitle);
            }
        });
        TaskAIState state;
        state.priority = requiredPriority(priority);
        state.reasonText = requiredString(reasonText, QStringLiteral("reasonText"));
        state.sourceTitle = requiredString(sourceTitle, QStringLiteral("sourceTitle"));
        return state;
    }

    TaskReminder taskReminder()
    {
        Scalar scheduledAt, isDelivering;
        readMembers(kReminderKeys, [&](int member) { return read(member == 0 ? scheduledAt : isDelivering); });
        TaskReminder reminder;
        reminder.scheduledAt = requiredDate(scheduledAt, QStringLiteral("scheduledAt"));
        if (!isDelivering.present())
            Json::fail(QStringLiteral("isDelivering"), QStringLiteral("missing"));
        reminder.isDelivering = boolean(isDelivering, QStringLiteral("isDelivering"));
        return reminder;
    }

    // An older per-section reminder: checked, then dropped.
    bool legacyReminder()
    {
        Scalar scheduledAt, isDelivering;
        readMembers(kReminderKeys, [&](int member) { return read(member == 0 ? scheduledAt : isDelivering); });
        requiredDate(scheduledAt, QStringLiteral("scheduledAt"));
        if (isDelivering.present())
            boolean(isDelivering, QStringLiteral("isDelivering"));
        return true;
    }

    TaskSection section()
    {
        Scalar id, title, kind, sortOrder, accent;
        Nested<bool> reminder;
        readMembers(kSectionKeys, [&](int member) {
            switch (member) {
            case 0: return read(id);
            case 1: return read(title);
            case 2: return read(kind);
            case 3: return read(sortOrder);
            case 4: return read(accent);
            case 5: return readNested(reminder, '{', [this] { return legacyReminder(); });
            }
        });
        TaskSection section;
        if (!id.present())
            Json::fail(QStringLiteral("id"), QStringLiteral("missing"));
        section.id = idText(id, QStringLiteral("id"));
        section.title = requiredString(title, QStringLiteral("title"));
        if (!kind.present())
            Json::fail(QStringLiteral("kind"), QStringLiteral("missing"));
        requireString(kind, QStringLiteral("kind"));
        if (kind.equals(QLatin1StringView("builtIn")))
            section.kind = TaskSection::Kind::builtIn;
        else if (kind.equals(QLatin1StringView("custom")))
            section.kind = TaskSection::Kind::custom;
        else
            Json::fail(QStringLiteral("kind"), QStringLiteral("not a section kind"));
        if (!sortOrder.present())
            Json::fail(QStringLiteral("sortOrder"), QStringLiteral("missing"));
        section.sortOrder = integer(sortOrder, QStringLiteral("sortOrder"));
        if (accent.present()) {
            requireString(accent, QStringLiteral("accent"));
            for (const TaskSectionAccent candidate : TaskSectionAccents::allCases) {
                if (accent.equals(QLatin1StringView(TaskSectionAccents::rawValue(candidate).toLatin1())))
                    section.accent = candidate;
            }
            if (!section.accent)
                Json::fail(QStringLiteral("accent"), QStringLiteral("not an accent colour"));
        }
        if (reminder.present())
            take(reminder, QStringLiteral("reminder"), Kind::object);
        return section;
    }

    void read(Scalar& slot)
    {
        slot = Scalar();
        m_stream.readValue(&slot);
    }

    template <typename T, typename Decode> void readNested(Nested<T>& slot, char open, Decode&& decode)
    {
        // Member by member: assigning a fresh Nested trips GCC 12's uninitialized-use warning.
        slot.kind = Kind::absent;
        slot.value.reset();
        slot.failure.reset();
        if (m_stream.peek() != open) {
            slot.kind = m_stream.readValue(nullptr);
            return;
        }
        m_stream.advance();
        slot.kind = open == '{' ? Kind::object : Kind::array;
        try {
            slot.value = decode();
        } catch (const DecodingError& error) {
            slot.failure = error.what();
        }
    }

    template <typename T> static T take(Nested<T>& slot, const QString& key, Kind expected)
    {
        if (!slot.present())
            Json::fail(key, QStringLiteral("missing"));
        if (slot.kind != expected)
            Json::fail(key, expected == Kind::array ? QStringLiteral("expected an array") : QStringLiteral("expected an object"));
        if (slot.failure)
            throw DecodingError(*slot.failure);
        return std::move(*slot.value);
    }

    static void requireString(const Scalar& slot, const QString& key)
    {
        if (slot.kind != Kind::string)
            Json::fail(key, QStringLiteral("expected a string"));
    }

    QString string(Scalar& slot, const QString& key)
    {
        requireString(slot, key);
        return slot.string.escaped ? std::move(slot.escapedText) : m_shared.text(slot.string);
    }

    QString idText(Scalar& slot, const QString& key)
    {
        requireString(slot, key);
        return slot.string.escaped ? std::move(slot.escapedText) : m_shared.id(slot.string);
    }

    std::optional<QString> optionalId(Scalar& slot, const QString& key)
    {
        return slot.present() ? std::optional(idText(slot, key)) : std::nullopt;
    }

    static bool boolean(const Scalar& slot, const QString& key)
    {
        if (slot.kind != Kind::boolean)
            Json::fail(key, QStringLiteral("expected true or false"));
        return slot.flag;
    }

    static qint64 integer(const Scalar& slot, const QString& key)
    {
        if (slot.kind != Kind::number || !slot.number.isInteger)
            Json::fail(key, QStringLiteral("expected an integer"));
        return slot.number.integer;
    }

    // Kept as QJsonDocument keeps it: an integral value loses a negative zero.
    static Date date(const Scalar& slot, const QString& key)
    {
        if (slot.kind != Kind::number)
            Json::fail(key, QStringLiteral("expected a date (a number)"));
        return Date{slot.number.isInteger ? double(slot.number.integer) : slot.number.real};
    }

    QString requiredString(Scalar& slot, const QString& key)
    {
        if (!slot.present())
            Json::fail(key, QStringLiteral("missing"));
        return string(slot, key);
    }

    static Date requiredDate(const Scalar& slot, const QString& key)
    {
        if (!slot.present())
            Json::fail(key, QStringLiteral("missing"));
        return date(slot, key);
    }

    std::optional<QString> optionalString(Scalar& slot, const QString& key)
    {
        return slot.present() ? std::optional(string(slot, key)) : std::nullopt;
    }

    static TaskPriority requiredPriority(const Scalar& slot)
    {
        const QString key = QStringLiteral("priority");
        if (!slot.present())
            Json::fail(key, QStringLiteral("missing"));
        requireString(slot, key);
        if (slot.equals(QLatin1StringView("high")))
            return TaskPriority::high;
        if (slot.equals(QLatin1StringView("medium")))
            return TaskPriority::medium;
        if (!slot.equals(QLatin1StringView("low")))
            Json::fail(key, QStringLiteral("not a priority"));
        return TaskPriority::low;
    }

    JsonStream& m_stream;
    SharedText m_shared;
};

// Text that is not an object or array at the top: QJsonDocument reads it
// wrapped in an array, and it never holds a record.
[[noreturn]] void readWrapped(const QByteArray& bytes)
{
    const QByteArray wrapped = Json::wrappedInArray(bytes);
    JsonStream stream(wrapped.constBegin(), wrapped.constEnd());
    stream.nextToken(); // the '[' just added
    qsizetype count = 0;
    bool container = false;
    stream.readArrayBody([&] {
        const Kind kind = stream.readValue(nullptr);
        container = container || kind == Kind::array || kind == Kind::object;
        ++count;
    });
    stream.expectEnd();
    if (count != 1)
        throw DecodingError(Json::kInvalidJsonText);
    if (container)
        throw NeedsTree{}; // cannot happen: the text does not start with one
    Json::fail(QStringLiteral("tasks"), QStringLiteral("expected an array"));
}

} // namespace

namespace {

// Decodes the bytes; the text of long strings is left to `deferred`.
Record decode(const QByteArray& bytes, DeferredTexts& deferred)
{
    try {
        if (!Json::startsWithContainer(bytes))
            readWrapped(bytes);
        JsonStream stream(bytes.constBegin(), bytes.constEnd());
        RecordDecoder decoder(stream, deferred);
        stream.skipByteOrderMark();
        std::optional<Record> record;
        std::optional<std::string> failure;
        try {
            switch (stream.nextToken()) {
            case '{':
                record = decoder.workspace();
                break;
            case '[':
                record = decoder.records<TaskItem>("tasks", &RecordDecoder::task);
                break;
            default:
                JsonStream::fail(QJsonParseError::IllegalValue);
            }
        } catch (const DecodingError& error) {
            failure = error.what();
        }
        stream.expectEnd();
        // Whatever the record decoded to, a repeated key may have hidden part of it.
        if (const std::optional<QString>& key = stream.repeatedKey())
            throw DecodingError(Json::repeatedKeyText(*key));
        if (failure)
            throw DecodingError(*failure);
        return *std::move(record);
    } catch (const SyntaxError& error) {
        throw DecodingError(Json::invalidJsonText(error.error));
    } catch (const NeedsTree&) {
        deferred.clear();
        return readThroughTree(bytes);
    }
}

} // namespace

Record read(const QByteArray& bytes)
{
    DeferredTexts deferred;
    Record record = decode(bytes, deferred);
    deferred.make(false);
    return record;
}

Record readAndRelease(QByteArray& bytes, const std::function<void()>& decoded)
{
    DeferredTexts deferred;
    Record record = decode(bytes, deferred);
    if (decoded)
        decoded();
    // Bytes someone else shares are theirs to keep.
    deferred.make(bytes.isDetached());
    bytes = QByteArray();
    return record;
}

} // namespace WorkspaceRecordReader
