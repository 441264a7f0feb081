#include "Platform/Text.h"

#include <QCollator>

namespace Text {

bool sameText(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    return a.normalized(QString::NormalizationForm_C) == b.normalized(QString::NormalizationForm_C);
}

int localizedCaseInsensitiveCompare(const QString& a, const QString& b)
{
    // QCollator is not safe to share between threads; one per thread, built once.
    thread_local const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

QString trimmed(const QString& text)
{
    return text.trimmed();
}

} // namespace Text
