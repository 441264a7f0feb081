#pragma once

#include "Model/JsonCoding.h"

#include <QJsonObject>
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
