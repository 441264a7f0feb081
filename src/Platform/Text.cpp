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

QString displayPrefix(const QString& text, qsizetype limit)
{
    if (text.size() <= limit)
        return text;
    qsizetype cut = qMax<qsizetype>(limit, 0);
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

} // namespace Text
