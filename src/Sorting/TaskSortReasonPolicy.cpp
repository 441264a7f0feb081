#include "Sorting/TaskSortReasonPolicy.h"

#include "Platform/Text.h"

#include <QChar>
#include <QList>
#include <array>
#include <bitset>
#include <utility>

class TaskSortReasonPolicy::CategorySet {
public:
    void insert(ReasonCategory category) { m_bits.set(static_cast<size_t>(category)); }
    bool contains(ReasonCategory category) const { return m_bits.test(static_cast<size_t>(category)); }
    bool isEmpty() const { return m_bits.none(); }

private:
    std::bitset<6> m_bits;
};

namespace {

QSet<QString> setOf(std::initializer_list<const char*> items)
{
    QSet<QString> set;
    for (const char* item : items)
        set.insert(QString::fromLatin1(item));
    return set;
}

const QSet<QString>& timeSensitiveKeywords()
{
    static const QSet<QString> keywords = setOf({"urgent", "asap", "today", "tomorrow", "deadline", "due", "soon",
                                                 "appointment", "schedule", "scheduled", "book", "booking",
                                                 "meeting"});
    return keywords;
}

const QSet<QString>& healthKeywords()
{
    static const QSet<QString> keywords = setOf({"dentist", "doctor", "medical", "medicine", "hospital", "health",
                                                 "therapy", "prescription", "appointment", "checkup", "clinic"});
    return keywords;
}

const QSet<QString>& financialKeywords()
{
    static const QSet<QString> keywords =
        setOf({"pay", "bill", "payment", "electric", "electricity", "rent", "invoice", "loan", "tax", "bank",
               "salary", "fee", "fees", "penalty", "penalties"});
    return keywords;
}

const QSet<QString>& familyOrRelationshipKeywords()
{
    static const QSet<QString> keywords =
        setOf({"mom", "dad", "mother", "father", "family", "parent", "parents", "wife", "husband", "partner",
               "child", "children", "kid", "kids", "friend", "friends", "relationship"});
    return keywords;
}

const QSet<QString>& cosmeticOrLeisureKeywords()
{
    static const QSet<QString> keywords =
        setOf({"cosmetic", "aesthetic", "wallpaper", "theme", "color", "font", "style", "styling", "design", "ui",
               "visual", "polish", "cleanup", "game", "gaming", "play", "movie", "entertainment", "fun", "leisure"});
    return keywords;
}

const QSet<QString>& workOrSchoolKeywords()
{
    static const QSet<QString> keywords = setOf({"work", "client", "project", "meeting", "school", "study", "exam",
                                                 "assignment", "submit", "office", "report"});
    return keywords;
}

const QList<QSet<QString>>& fillerPhraseWordSets()
{
    static const QList<QSet<QString>> phrases = [] {
        QList<QSet<QString>> sets;
        for (const char* phrase : {"important task", "high priority", "medium priority", "low priority",
                                   "needs focus", "should do soon", "important", "urgent", "soon", "optional",
                                   "low urgency"})
            sets.append(TaskSortReasonPolicy::words(QString::fromLatin1(phrase)));
        return sets;
    }();
    return phrases;
}

const QSet<QString>& schedulingWords()
{
    static const QSet<QString> words = setOf({"appointment", "book", "schedule", "booking", "meeting", "visit"});
    return words;
}

const QSet<QString>& familyWords()
{
    static const QSet<QString> words = setOf({"mom", "dad", "mother", "father", "family", "parent", "parents"});
    return words;
}

bool containsAny(const QSet<QString>& words, std::initializer_list<const char*> candidates)
{
    for (const char* candidate : candidates) {
        if (words.contains(QString::fromLatin1(candidate)))
            return true;
    }
    return false;
}

} // namespace

QSet<QString> TaskSortReasonPolicy::words(const QString& text)
{
    QSet<QString> result;
    QString current;
    const auto flush = [&] {
        if (!current.isEmpty())
            result.insert(std::exchange(current, QString()));
    };
    for (const char32_t codePoint : text.toLower().toUcs4()) {
        const QChar::Category category = QChar::category(codePoint);
        const bool isMark = category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
            || category == QChar::Mark_Enclosing;
        // A combining mark belongs to the letter before it, as in a decomposed "é".
        if (QChar::isLetterOrNumber(codePoint) || (isMark && !current.isEmpty()))
            current += QString::fromUcs4(&codePoint, 1);
        else
            flush();
    }
    flush();
    return result;
}

TaskSortReasonPolicy::CategorySet TaskSortReasonPolicy::categories(const QSet<QString>& words)
{
    const std::array<std::pair<ReasonCategory, const QSet<QString>*>, 6> lists{{
        {ReasonCategory::timeSensitive, &timeSensitiveKeywords()},
        {ReasonCategory::healthOrAppointment, &healthKeywords()},
        {ReasonCategory::financial, &financialKeywords()},
        {ReasonCategory::familyOrRelationship, &familyOrRelationshipKeywords()},
        {ReasonCategory::cosmeticOrLeisure, &cosmeticOrLeisureKeywords()},
        {ReasonCategory::workOrSchool, &workOrSchoolKeywords()},
    }};
    CategorySet set;
    for (const auto& [category, keywords] : lists) {
        if (words.intersects(*keywords))
            set.insert(category);
    }
    return set;
}

QString TaskSortReasonPolicy::resolveWhy(const QString& why, const QString& title, TaskPriority priority)
{
    const QString trimmed = Text::trimmed(why);
    if (trimmed.isEmpty())
        return fallbackWhy(title, priority);

    const QSet<QString> whyWords = words(trimmed);
    for (const QSet<QString>& phrase : fillerPhraseWordSets()) {
        if (whyWords == phrase)
            return fallbackWhy(title, priority);
    }

    const QSet<QString> titleWords = words(title);
    const CategorySet claimed = categories(whyWords);
    const CategorySet founded = categories(titleWords);
    for (const ReasonCategory category : {ReasonCategory::cosmeticOrLeisure, ReasonCategory::healthOrAppointment,
                                          ReasonCategory::financial, ReasonCategory::familyOrRelationship}) {
        if (claimed.contains(category) && !founded.contains(category))
            return fallbackWhy(title, priority);
    }
    if (claimed.contains(ReasonCategory::timeSensitive) && !founded.contains(ReasonCategory::timeSensitive)
        && !titleWords.intersects(schedulingWords()))
        return fallbackWhy(title, priority);

    return trimmed;
}

QString TaskSortReasonPolicy::fallbackWhy(const QString& title, TaskPriority priority)
{
    const QSet<QString> titleWords = words(title);
    const CategorySet found = categories(titleWords);
    const auto byPriority = [priority](const char* high, const char* medium, const char* low) {
        switch (priority) {
        case TaskPriority::high: return QString::fromUtf8(high);
        case TaskPriority::medium: return QString::fromUtf8(medium);
        case TaskPriority::low: break;
        }
        return QString::fromUtf8(low);
    };

    if (found.contains(ReasonCategory::healthOrAppointment)) {
        return containsAny(titleWords, {"appointment", "book", "schedule"})
            ? QStringLiteral("Health appointment has scheduling urgency")
            : QStringLiteral("Health task has real importance");
    }
    if (found.contains(ReasonCategory::financial)) {
        return containsAny(titleWords, {"bill", "payment", "rent"})
            ? QStringLiteral("Financial deadline has consequences")
            : QStringLiteral("Financial task has real consequences");
    }
    if (found.contains(ReasonCategory::familyOrRelationship)) {
        return titleWords.intersects(familyWords()) ? QStringLiteral("Family commitment matters")
                                                    : QStringLiteral("Relationship commitment matters");
    }
    if (found.contains(ReasonCategory::timeSensitive))
        return QStringLiteral("Time-sensitive task comes first");
    if (found.contains(ReasonCategory::workOrSchool))
        return byPriority("Work obligation needs prompt attention", "Important work task",
                          "Lower urgency than current priorities");
    if (found.contains(ReasonCategory::cosmeticOrLeisure))
        return QStringLiteral("Lower urgency than current priorities");
    return byPriority("Urgent task with real consequences", "Important task with moderate urgency",
                      "Lower urgency than current priorities");
}
