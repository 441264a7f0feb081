#include "Platform/Logger.h"

#include <QHash>
#include <QMutex>
#include <memory>

namespace {
// QLoggingCategory keeps a pointer to its name, so names and categories live for the process.
const QLoggingCategory* categoryNamed(const QString& category)
{
    static QMutex mutex;
    static QHash<QString, std::pair<QByteArray*, QLoggingCategory*>> categories;
    QMutexLocker lock(&mutex);
    auto it = categories.find(category);
    if (it == categories.end()) {
        auto* name = new QByteArray("QuaverLoom." + category.toUtf8());
        it = categories.insert(category, {name, new QLoggingCategory(name->constData())});
    }
    return it->second;
}
} // namespace

Logger::Logger(const QString& category) : m_category(categoryNamed(category)) {}

void Logger::error(const QString& message) const
{
    qCCritical((*m_category), "%s", qUtf8Printable(message));
}
