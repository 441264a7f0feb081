#include "Platform/Logger.h"

#include <QMutex>
#include <map>
#include <memory>

namespace {
// QLoggingCategory keeps a pointer to its name, so each name lives beside its category.
struct NamedCategory {
    explicit NamedCategory(const QString& category)
        : name("QuaverLoom." + category.toUtf8()), loggingCategory(name.constData())
    {
    }
    const QByteArray name;
    const QLoggingCategory loggingCategory;
};

const QLoggingCategory* categoryNamed(const QString& category)
{
    static QMutex mutex;
    static std::map<QString, std::unique_ptr<NamedCategory>> categories;
    QMutexLocker lock(&mutex);
    auto& entry = categories[category];
    if (!entry)
        entry = std::make_unique<NamedCategory>(category);
    return &entry->loggingCategory;
}
} // namespace

Logger::Logger(const QString& category) : m_category(categoryNamed(category)) {}

void Logger::error(const QString& message) const
{
    qCCritical((*m_category), "%s", qUtf8Printable(message));
}
