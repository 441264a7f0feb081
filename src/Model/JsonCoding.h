#pragma once

#include "Platform/Date.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QUuid>
#include <optional>
#include <stdexcept>
#include <string>

// Raised by every decoder: a missing required key, a value of the wrong type,
// an unknown raw value. The message names the coding path.
class DecodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Strict readers: a key that is present with the wrong type fails; a missing or
// null optional key yields nullopt.
namespace Json {

// "key: problem", the text of every decoding failure.
std::string failureText(const QString& key, const QString& problem);
[[noreturn]] void fail(const QString& key, const QString& problem);

bool isAbsent(const QJsonObject& object, const QString& key);
// The value under key, or nullopt when it is missing or null; one lookup.
std::optional<QJsonValue> present(const QJsonObject& object, const QString& key);

QJsonObject asObject(const QJsonValue& value, const QString& context);

// Decodes element `index` of the array `name`; an error names its place ("tasks[5].title: ...").
template <typename Decode> auto element(const char* name, qsizetype index, Decode&& decode) -> decltype(decode())
{
    try {
        return decode();
    } catch (const DecodingError& error) {
        throw DecodingError(std::string(name) + '[' + std::to_string(index) + "]." + error.what());
    }
}
// Fails unless every element is an object, so nothing is reserved for an array of anything else.
void requireObjects(const QJsonArray& array, const char* name);
QJsonArray asArray(const QJsonValue& value, const QString& context);

QString toString(const QJsonValue& value, const QString& key);
bool toBool(const QJsonValue& value, const QString& key);
qint64 toInteger(const QJsonValue& value, const QString& key);
Date toDate(const QJsonValue& value, const QString& key);
QUuid toUuid(const QJsonValue& value, const QString& key);

QString requiredString(const QJsonObject& object, const QString& key);
bool requiredBool(const QJsonObject& object, const QString& key);
qint64 requiredInteger(const QJsonObject& object, const QString& key);
Date requiredDate(const QJsonObject& object, const QString& key);
QJsonObject requiredObject(const QJsonObject& object, const QString& key);
QJsonArray requiredArray(const QJsonObject& object, const QString& key);

std::optional<QString> optionalString(const QJsonObject& object, const QString& key);
std::optional<bool> optionalBool(const QJsonObject& object, const QString& key);
std::optional<qint64> optionalInteger(const QJsonObject& object, const QString& key);
std::optional<Date> optionalDate(const QJsonObject& object, const QString& key);

QJsonValue fromDate(Date date);

// Writes compact UTF-8 JSON text straight into a buffer: the stored workspace
// is large, and building QJsonObject trees first costs several times more.
class Writer {
public:
    Writer& beginObject();
    Writer& endObject();
    Writer& beginArray();
    Writer& endArray();
    Writer& key(QLatin1StringView name);
    Writer& key(const QString& name);
    Writer& value(const QString& text);
    Writer& value(QLatin1StringView text);
    Writer& value(bool flag);
    Writer& value(qint64 number);
    Writer& value(Date date);
    Writer& null();
    QByteArray take() { return std::move(m_out); }

private:
    void separate();
    void writeString(const QString& text);
    void appendEscaped(const char* p, const char* end);
    QByteArray m_out;
    bool m_needsComma = false;
};

// Parses UTF-8 JSON text into a value of any kind (object, array, string, ...);
// text in which an object repeats a key fails with repeatedKeyText().
QJsonValue parse(const QByteArray& bytes);
// QJsonDocument reads only objects and arrays at the top; text that starts
// with anything else (after what QChar calls space) is read wrapped in an array.
bool startsWithContainer(const QByteArray& bytes);
QByteArray wrappedInArray(const QByteArray& bytes);
// What parse() reports for text QJsonDocument rejects, and for wrapped text
// that holds other than one value.
std::string invalidJsonText(QJsonParseError::ParseError error);
inline constexpr const char* kInvalidJsonText = "The data isn't valid JSON";
// What text fails with when one of its objects holds a key twice: QJsonDocument
// would keep the last one, and whatever the first held would be lost unseen.
// Two keys are the same when their text is, escaped or not. A long key is shortened.
std::string repeatedKeyText(const QString& key);
// Compact UTF-8 JSON text of an object or array.
QByteArray serialize(const QJsonObject& object);

// The record's stored form as a QJsonObject (for inspection; storage uses the bytes).
template <typename Record> QJsonObject toObject(const Record& record)
{
    Writer writer;
    record.write(writer);
    return parse(writer.take()).toObject();
}

} // namespace Json
