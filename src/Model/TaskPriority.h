#pragma once

#include <QJsonValue>
#include <QString>
#include <array>
#include <optional>

// Declared in ranking order: an ascending sort puts high first.
enum class TaskPriority { high, medium, low };

namespace TaskPriorities {
inline constexpr std::array<TaskPriority, 3> allCases{TaskPriority::high, TaskPriority::medium, TaskPriority::low};
QString rawValue(TaskPriority priority);
// nullopt for anything but "high", "medium" and "low".
std::optional<TaskPriority> fromRawValue(const QString& raw);
TaskPriority decode(const QJsonValue& value, const QString& key); // throws DecodingError
} // namespace TaskPriorities
