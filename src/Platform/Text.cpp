#include "Platform/Text.h"

#include <QCollator>
#include <algorithm>

namespace Text {

bool sameText(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const bool aIsShorter = a.size() <= b.size();
    const QString shorter = (aIsShorter ? a : b).normalized(QString::NormalizationForm_C);
    const QString& longer = aIsShorter ? b : a;
    // A title may be megabytes long and is compared with short ones. No
    // normalization reaches across a character below U+0300 (each composes
    // with nothing before it), so the longer text's normal form begins with
    // that of its part before such a character: when that part alone
    // normalizes to more than the shorter text, they differ.
    const qsizetype from = 2 * shorter.size() + 16, to = std::min(longer.size(), from + 4096);
    if (longer.size() > 2 * from) {
        for (qsizetype cut = from; cut < to; ++cut) {
            if (longer.at(cut).unicode() < 0x300) {
                if (QStringView(longer).left(cut).toString().normalized(QString::NormalizationForm_C).size() > shorter.size())
                    return false;
                break;
            }
        }
    }
    return shorter == longer.normalized(QString::NormalizationForm_C);
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
