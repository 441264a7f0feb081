#pragma once

#include <QLoggingCategory>
#include <QString>

// An error-level log under "QuaverLoom.<category>", e.g. "QuaverLoom.NotchTaskViewModel".
class Logger {
public:
    explicit Logger(const QString& category);
    void error(const QString& message) const;
    const QLoggingCategory& category() const { return *m_category; }

private:
    const QLoggingCategory* m_category;
};
