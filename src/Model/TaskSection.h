#pragma once

#include "Model/JsonCoding.h"

#include <QJsonObject>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <array>
#include <optional>

enum class TaskSectionAccent { red, orange, yellow, green, blue, purple, gray };

namespace TaskSectionAccents {
inline constexpr std::array<TaskSectionAccent, 7> allCases{
    TaskSectionAccent::red,  TaskSectionAccent::orange, TaskSectionAccent::yellow, TaskSectionAccent::green,
    TaskSectionAccent::blue, TaskSectionAccent::purple, TaskSectionAccent::gray};
QString rawValue(TaskSectionAccent accent);
std::optional<TaskSectionAccent> fromRawValue(const QString& raw);
} // namespace TaskSectionAccents

// The sections every workspace starts with, in their order. A section's icon
// and AI purpose follow its id, never its title; every other id is custom.
struct BuiltInSection {
    QLatin1StringView id;
    QLatin1StringView title;
    QLatin1StringView iconName;
    QLatin1StringView purpose;
};

namespace BuiltInSections {
inline constexpr std::array<BuiltInSection, 4> all{{
    {QLatin1StringView("section.work"), QLatin1StringView("Work"), QLatin1StringView("briefcase"),
     QLatin1StringView("Prioritize deadlines, meetings, deliverables, colleagues, and business impact.")},
    {QLatin1StringView("section.personal"), QLatin1StringView("Personal"), QLatin1StringView("person"),
     QLatin1StringView("Prioritize personal commitments, social follow-ups, errands, and life admin.")},
    {QLatin1StringView("section.home"), QLatin1StringView("Home"), QLatin1StringView("house"),
     QLatin1StringView("Prioritize chores, maintenance, household logistics, and home responsibilities.")},
    {QLatin1StringView("section.health"), QLatin1StringView("Health"), QLatin1StringView("heart"),
     QLatin1StringView("Prioritize medication, appointments, exercise, recovery, and wellbeing.")},
}};
// Where tasks without a section, and the composer without a target, go.
inline constexpr QLatin1StringView personalID = all[1].id;
inline constexpr QLatin1StringView customIconName{"folder"};
inline constexpr QLatin1StringView customPurpose{
    "Infer the workflow intent from this custom section title and prioritize accordingly."};

// The built-in section with this id, or none.
const BuiltInSection* find(const QString& id);
// Its position in the built-in order, or -1.
int position(const QString& id);
} // namespace BuiltInSections

struct TaskSection {
    enum class Kind { builtIn, custom };

    QString id;
    QString title;
    Kind kind = Kind::custom;
    qint64 sortOrder = 0;
    std::optional<TaskSectionAccent> accent;

    // Built once and shared: Work, Personal, Home, Health.
    static const QList<TaskSection>& builtInDefaults();
    static QString kindRawValue(Kind kind);

    // Never writes the older per-section "reminder", which decoding accepts and drops.
    void write(Json::Writer& writer) const;
    QJsonObject toJson() const { return Json::toObject(*this); }
    static TaskSection fromJson(const QJsonValue& value); // throws DecodingError

    friend bool operator==(const TaskSection&, const TaskSection&) = default;
};

using SectionList = QList<TaskSection>;

// Stored data may repeat a section id: the first one wins, and tasks keep
// belonging to it by id, so none is lost. Order is kept.
SectionList firstSectionPerID(const SectionList& sections);
