#include "Model/WorkspaceRecordReader.h"

#include "Model/DeferredTexts.h"
#include "Model/JsonCoding.h"
#include "Model/JsonStream.h"
#include "Model/SharedText.h"
#include "Platform/Uuid.h"

#include <QMap>
#include <algorithm>
#include <array>
#include <optional>
#include <string>

namespace WorkspaceRecordReader {

using namespace detail;

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
