#include "Model/JsonCoding.h"
#include "Model/TaskSection.h"
#include "Model/TaskWorkspaceState.h"

#include <QSet>

namespace TaskSectionAccents {

QString rawValue(TaskSectionAccent accent)
{
    static const char* const names[] = {"red", "orange", "yellow", "green", "blue", "purple", "gray"};
    return QString::fromLatin1(names[static_cast<int>(accent)]);
}

std::optional<TaskSectionAccent> fromRawValue(const QString& raw)
{
    for (TaskSectionAccent accent : allCases) {
        if (raw == rawValue(accent))
            return accent;
    }
    return std::nullopt;
}

} // namespace TaskSectionAccents

namespace BuiltInSections {

const BuiltInSection* find(const QString& id)
{
    const int index = position(id);
    return index < 0 ? nullptr : &all[size_t(index)];
}

int position(const QString& id)
{
    for (size_t i = 0; i < all.size(); ++i) {
        if (id == all[i].id)
            return int(i);
    }
    return -1;
}

} // namespace BuiltInSections

const QList<TaskSection>& TaskSection::builtInDefaults()
{
    static const QList<TaskSection> sections = [] {
        QList<TaskSection> list;
        for (const BuiltInSection& builtIn : BuiltInSections::all)
            list.append({builtIn.id, builtIn.title, Kind::builtIn, list.size(), std::nullopt});
        return list;
    }();
    return sections;
}

SectionList firstSectionPerID(const SectionList& sections)
{
    SectionList unique;
    unique.reserve(sections.size());
    QSet<QString> seen;
    for (const TaskSection& section : sections) {
        if (!seen.contains(section.id)) {
            seen.insert(section.id);
            unique.append(section);
        }
    }
    return unique;
}

QString TaskSection::kindRawValue(Kind kind)
{
    return kind == Kind::builtIn ? QStringLiteral("builtIn") : QStringLiteral("custom");
}

void TaskSection::write(Json::Writer& w) const
{
    w.beginObject();
    w.key(QLatin1StringView("id")).value(id);
    w.key(QLatin1StringView("title")).value(title);
    w.key(QLatin1StringView("kind")).value(kindRawValue(kind));
    w.key(QLatin1StringView("sortOrder")).value(sortOrder);
    if (accent)
        w.key(QLatin1StringView("accent")).value(TaskSectionAccents::rawValue(*accent));
    w.endObject();
}

TaskSection TaskSection::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("section"));
    TaskSection section;
    section.id = Json::requiredString(o, QStringLiteral("id"));
    section.title = Json::requiredString(o, QStringLiteral("title"));
    const QString kind = Json::requiredString(o, QStringLiteral("kind"));
    if (kind == kindRawValue(Kind::builtIn))
        section.kind = Kind::builtIn;
    else if (kind == kindRawValue(Kind::custom))
        section.kind = Kind::custom;
    else
        Json::fail(QStringLiteral("kind"), QStringLiteral("not a section kind"));
    section.sortOrder = Json::requiredInteger(o, QStringLiteral("sortOrder"));
    if (const auto accent = Json::optionalString(o, QStringLiteral("accent"))) {
        section.accent = TaskSectionAccents::fromRawValue(*accent);
        if (!section.accent)
            Json::fail(QStringLiteral("accent"), QStringLiteral("not an accent colour"));
    }
    // An older per-section reminder must still be well formed; it is then dropped.
    if (!Json::isAbsent(o, QStringLiteral("reminder"))) {
        const QJsonObject legacy = Json::asObject(o.value(QStringLiteral("reminder")), QStringLiteral("reminder"));
        Json::requiredDate(legacy, QStringLiteral("scheduledAt"));
        Json::optionalBool(legacy, QStringLiteral("isDelivering"));
    }
    return section;
}

TaskWorkspaceState TaskWorkspaceState::defaultState()
{
    return {TaskSection::builtInDefaults(), {}, kAllWorkspaceID, {}, QString()};
}

void TaskWorkspaceState::write(Json::Writer& w) const
{
    w.beginObject();
    w.key(QLatin1StringView("sections")).beginArray();
    for (const TaskSection& section : sections)
        section.write(w);
    w.endArray();
    w.key(QLatin1StringView("tasks"));
    TaskItems::write(w, tasks);
    w.key(QLatin1StringView("selectedWorkspaceID")).value(selectedWorkspaceID);
    w.key(QLatin1StringView("workspacePromptsByID")).beginObject();
    for (auto it = workspacePromptsByID.constBegin(); it != workspacePromptsByID.constEnd(); ++it)
        w.key(it.key()).value(it.value());
    w.endObject();
    w.key(QLatin1StringView("defaultPromptOverride")).value(defaultPromptOverride);
    w.endObject();
}

TaskWorkspaceState TaskWorkspaceState::fromJson(const QJsonValue& value)
{
    const QJsonObject o = Json::asObject(value, QStringLiteral("workspace"));
    TaskWorkspaceState state;
    const QJsonArray sections = Json::requiredArray(o, QStringLiteral("sections"));
    Json::requireObjects(sections, "sections");
    state.sections.reserve(sections.size());
    for (qsizetype i = 0; i < sections.size(); ++i)
        state.sections.append(Json::element("sections", i, [&] { return TaskSection::fromJson(sections.at(i)); }));
    if (Json::isAbsent(o, QStringLiteral("tasks")))
        Json::fail(QStringLiteral("tasks"), QStringLiteral("missing"));
    state.tasks = TaskItems::fromJson(o.value(QStringLiteral("tasks")));
    state.selectedWorkspaceID = Json::requiredString(o, QStringLiteral("selectedWorkspaceID"));
    if (!Json::isAbsent(o, QStringLiteral("workspacePromptsByID"))) {
        const QJsonObject prompts = Json::asObject(o.value(QStringLiteral("workspacePromptsByID")), QStringLiteral("workspacePromptsByID"));
        for (auto it = prompts.constBegin(); it != prompts.constEnd(); ++it)
            state.workspacePromptsByID.insert(it.key(), Json::toString(it.value(), it.key()));
    }
    state.defaultPromptOverride = Json::optionalString(o, QStringLiteral("defaultPromptOverride")).value_or(QString());
    return state;
}
