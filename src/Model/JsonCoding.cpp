#include "Model/JsonCoding.h"

#include "Platform/Uuid.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Json {

std::string failureText(const QString& key, const QString& problem)
{
    return QStringLiteral("%1: %2").arg(key, problem).toStdString();
}

void fail(const QString& key, const QString& problem)
{
    throw DecodingError(failureText(key, problem));
}

bool isAbsent(const QJsonObject& object, const QString& key)
{
    return !present(object, key);
}

std::optional<QJsonValue> present(const QJsonObject& object, const QString& key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull())
        return std::nullopt;
    return it.value();
}

QJsonObject asObject(const QJsonValue& value, const QString& context)
{
    if (!value.isObject())
        fail(context, QStringLiteral("expected an object"));
    return value.toObject();
}

void requireObjects(const QJsonArray& array, const char* name)
{
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            fail(QStringLiteral("%1[%2]").arg(QLatin1StringView(name)).arg(i), QStringLiteral("expected an object"));
    }
}

QJsonArray asArray(const QJsonValue& value, const QString& context)
{
    if (!value.isArray())
        fail(context, QStringLiteral("expected an array"));
    return value.toArray();
}

QString toString(const QJsonValue& value, const QString& key)
{
    if (!value.isString())
        fail(key, QStringLiteral("expected a string"));
    return value.toString();
}

bool toBool(const QJsonValue& value, const QString& key)
{
    if (!value.isBool())
        fail(key, QStringLiteral("expected true or false"));
    return value.toBool();
}

qint64 toInteger(const QJsonValue& value, const QString& key)
{
    if (!value.isDouble())
        fail(key, QStringLiteral("expected an integer"));
    // Integral literals that fit are kept exactly; anything else must be an
    // integral double inside the 64-bit range.
    const QVariant variant = value.toVariant();
    if (variant.typeId() == QMetaType::LongLong)
        return variant.toLongLong();
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
        fail(key, QStringLiteral("expected an integer"));
    return static_cast<qint64>(d);
}

Date toDate(const QJsonValue& value, const QString& key)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        fail(key, QStringLiteral("expected a date (a number)"));
    return Date{value.toDouble()};
}

QUuid toUuid(const QJsonValue& value, const QString& key)
{
    const auto id = Uuid::parse(toString(value, key));
    if (!id)
        fail(key, QStringLiteral("not a valid UUID"));
    return *id;
}

static QJsonValue required(const QJsonObject& object, const QString& key)
{
    std::optional<QJsonValue> value = present(object, key);
    if (!value)
        fail(key, QStringLiteral("missing"));
    return *std::move(value);
}

QString requiredString(const QJsonObject& object, const QString& key) { return toString(required(object, key), key); }
bool requiredBool(const QJsonObject& object, const QString& key) { return toBool(required(object, key), key); }
qint64 requiredInteger(const QJsonObject& object, const QString& key) { return toInteger(required(object, key), key); }
Date requiredDate(const QJsonObject& object, const QString& key) { return toDate(required(object, key), key); }
QJsonObject requiredObject(const QJsonObject& object, const QString& key) { return asObject(required(object, key), key); }
QJsonArray requiredArray(const QJsonObject& object, const QString& key) { return asArray(required(object, key), key); }

std::optional<QString> optionalString(const QJsonObject& object, const QString& key)
{
    const std::optional<QJsonValue> value = present(object, key);
    return value ? std::optional(toString(*value, key)) : std::nullopt;
}

std::optional<bool> optionalBool(const QJsonObject& object, const QString& key)
{
    const std::optional<QJsonValue> value = present(object, key);
    return value ? std::optional(toBool(*value, key)) : std::nullopt;
}

std::optional<qint64> optionalInteger(const QJsonObject& object, const QString& key)
{
    const std::optional<QJsonValue> value = present(object, key);
    return value ? std::optional(toInteger(*value, key)) : std::nullopt;
}

std::optional<Date> optionalDate(const QJsonObject& object, const QString& key)
{
    const std::optional<QJsonValue> value = present(object, key);
    return value ? std::optional(toDate(*value, key)) : std::nullopt;
}

QJsonValue fromDate(Date date)
{
    return QJsonValue(date.secondsSinceReferenceDate);
}

bool startsWithContainer(const QByteArray& bytes)
{
    qsizetype first = 0;
    while (first < bytes.size() && QChar::isSpace(static_cast<uchar>(bytes.at(first))))
        ++first;
    return first < bytes.size() && (bytes.at(first) == '{' || bytes.at(first) == '[');
}

QByteArray wrappedInArray(const QByteArray& bytes)
{
    // Built in place: a large record is copied once, not twice.
    QByteArray wrapped;
    wrapped.reserve(bytes.size() + 3);
    return wrapped.append('[').append(bytes).append("\n]", 2);
}

std::string invalidJsonText(QJsonParseError::ParseError error)
{
    QJsonParseError parseError{};
    parseError.error = error;
    return QStringLiteral("The data isn't valid JSON: %1").arg(parseError.errorString()).toStdString();
}

std::string repeatedKeyText(const QString& key)
{
    constexpr qsizetype kShown = 60;
    if (key.size() <= kShown)
        return failureText(key, QStringLiteral("repeated in one object"));
    qsizetype shown = kShown;
    if (key.at(shown - 1).isHighSurrogate())
        --shown; // a pair stays whole
    return failureText(key.first(shown) + QChar(0x2026), QStringLiteral("repeated in one object"));
}

namespace {
// The text of a key as a QJsonObject gives it back, from after its opening
// quote up to its closing one: a key without escapes loses a leading
// byte-order mark, one with escapes keeps it; a backslash before any other
// character than the known escapes stands for that byte.
QString keyText(const char* p, const char* end)
{
    if (std::find(p, end, '\\') == end && end - p >= 3 && QByteArrayView(p, 3) == "\xEF\xBB\xBF")
        p += 3;
    QString text;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    while (p < end) {
        const char* plain = p;
        while (p < end && *p != '\\')
            ++p;
        text += utf8.decode(QByteArrayView(plain, p - plain));
        if (p == end)
            break;
        const char escaped = p[1];
        p += 2;
        switch (escaped) {
        case 'b': text += QChar(0x8); break;
        case 'f': text += QChar(0xc); break;
        case 'n': text += QChar(0xa); break;
        case 'r': text += QChar(0xd); break;
        case 't': text += QChar(0x9); break;
        case 'u':
            text += QChar(char16_t(QByteArray::fromRawData(p, 4).toUShort(nullptr, 16)));
            p += 4;
            break;
        default: text += QChar(char16_t(uchar(escaped)));
        }
    }
    return text;
}

// The first key an object repeats, in text order, in text QJsonDocument has
// read (so it is well formed); QJsonDocument itself keeps the last and says nothing.
std::optional<QString> firstRepeatedKey(const QByteArray& bytes)
{
    struct Container {
        bool isObject = false;
        bool expectsKey = false;
        QSet<QString> keys;
    };
    std::vector<Container> open;
    const char* p = bytes.constBegin();
    const char* const end = bytes.constEnd();
    while (p < end) {
        switch (*p++) {
        case '{': open.push_back({true, true, {}}); break;
        case '[': open.push_back({false, false, {}}); break;
        case '}':
        case ']': open.pop_back(); break;
        case ',':
            if (open.back().isObject)
                open.back().expectsKey = true;
            break;
        case '"': {
            const char* start = p;
            while (*p != '"')
                p += *p == '\\' ? 2 : 1;
            if (!open.empty() && open.back().expectsKey) {
                open.back().expectsKey = false;
                QString key = keyText(start, p);
                if (open.back().keys.contains(key))
                    return key;
                open.back().keys.insert(std::move(key));
            }
            ++p;
            break;
        }
        default: break;
        }
    }
    return std::nullopt;
}
} // namespace

QJsonValue parse(const QByteArray& bytes)
{
    QJsonParseError error{};
    const bool container = startsWithContainer(bytes);
    const QJsonDocument document = QJsonDocument::fromJson(container ? bytes : wrappedInArray(bytes), &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(invalidJsonText(error.error));
    if (container) {
        if (const std::optional<QString> key = firstRepeatedKey(bytes))
            throw DecodingError(repeatedKeyText(*key));
        return document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array());
    }
    if (!document.isArray() || document.array().size() != 1)
        throw DecodingError(kInvalidJsonText);
    return document.array().at(0);
}

void Writer::separate()
{
    if (m_needsComma)
        m_out.append(',');
    m_needsComma = true;
}

Writer& Writer::beginObject()
{
    separate();
    m_out.append('{');
    m_needsComma = false;
    return *this;
}

Writer& Writer::endObject()
{
    m_out.append('}');
    m_needsComma = true;
    return *this;
}

Writer& Writer::beginArray()
{
    separate();
    m_out.append('[');
    m_needsComma = false;
    return *this;
}

Writer& Writer::endArray()
{
    m_out.append(']');
    m_needsComma = true;
    return *this;
}

Writer& Writer::key(QLatin1StringView name)
{
    separate();
    m_out.append('"').append(name.data(), name.size()).append("\":", 2);
    m_needsComma = false;
    return *this;
}

Writer& Writer::key(const QString& name)
{
    separate();
    writeString(name);
    m_out.append(':');
    m_needsComma = false;
    return *this;
}

namespace {
// The first byte at or after p that a JSON string cannot hold as it is: a
// quote, a backslash or a control character. Sixteen bytes at a time where
// it can, since a title may be megabytes long.
const char* endOfVerbatim(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"'), backslash = _mm_set1_epi8('\\'), lastControl = _mm_set1_epi8(0x1f);
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(bytes, lastControl), lastControl);
        const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)), control);
        if (const int mask = _mm_movemask_epi8(stops))
            return p + std::countr_zero(unsigned(mask));
    }
#endif
    while (p < end && *p != '"' && *p != '\\' && uchar(*p) >= 0x20)
        ++p;
    return p;
}
} // namespace

void Writer::appendEscaped(const char* p, const char* end)
{
    static const char hex[] = "0123456789abcdef";
    while (p < end) {
        const char* verbatim = p;
        p = endOfVerbatim(p, end);
        m_out.append(verbatim, p - verbatim);
        if (p == end)
            break;
        const char c = *p++;
        switch (c) {
        case '"': m_out.append("\\\"", 2); break;
        case '\\': m_out.append("\\\\", 2); break;
        case '\n': m_out.append("\\n", 2); break;
        case '\r': m_out.append("\\r", 2); break;
        case '\t': m_out.append("\\t", 2); break;
        default: m_out.append("\\u00", 4).append(hex[uchar(c) >> 4]).append(hex[uchar(c) & 0xf]);
        }
    }
}

void Writer::writeString(const QString& text)
{
    m_out.append('"');
    QStringView rest(text);
    // Readers take a leading unescaped U+FEFF for a byte-order mark and drop it.
    if (rest.startsWith(QChar(0xfeff))) {
        m_out.append("\\ufeff", 6);
        rest = rest.sliced(1);
    }
    // In pieces, so that a huge text is never held twice more. (toUtf8()
    // writes a lone surrogate as '?', as stored records always had it.)
    constexpr qsizetype kPiece = 1 << 16;
    while (!rest.isEmpty()) {
        qsizetype size = std::min(rest.size(), kPiece);
        if (size < rest.size() && rest.at(size - 1).isHighSurrogate())
            --size; // a pair stays whole
        const QByteArray piece = rest.first(size).toUtf8();
        appendEscaped(piece.constBegin(), piece.constEnd());
        rest = rest.sliced(size);
    }
    m_out.append('"');
}

Writer& Writer::value(const QString& text)
{
    separate();
    writeString(text);
    return *this;
}

Writer& Writer::value(QLatin1StringView text)
{
    separate();
    m_out.append('"').append(text.data(), text.size()).append('"');
    return *this;
}

Writer& Writer::value(bool flag)
{
    separate();
    m_out.append(flag ? "true" : "false");
    return *this;
}

Writer& Writer::value(qint64 number)
{
    separate();
    m_out.append(QByteArray::number(number));
    return *this;
}

Writer& Writer::value(Date date)
{
    separate();
    // Shortest text that reads back as the same double.
    const double d = date.secondsSinceReferenceDate;
    m_out.append(std::isfinite(d) ? QByteArray::number(d, 'g', QLocale::FloatingPointShortest) : QByteArray("0"));
    return *this;
}

Writer& Writer::null()
{
    separate();
    m_out.append("null");
    return *this;
}

QByteArray serialize(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace Json
