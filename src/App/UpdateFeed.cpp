#include "App/UpdateFeed.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

const QRegularExpression& versionPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+(?:\\.\\d+)*)([-+~][0-9A-Za-z.+~-]*)?$"));
    return pattern;
}

// Compares digit strings of any length without converting them to integers.
int compareNumbers(QStringView a, QStringView b)
{
    while (a.size() > 1 && a.front() == u'0')
        a = a.mid(1);
    while (b.size() > 1 && b.front() == u'0')
        b = b.mid(1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

struct ItemVersions {
    QString shortVersion;
    QString version;

    QString best() const { return !shortVersion.isEmpty() ? shortVersion : version; }
};

} // namespace

bool UpdateFeed::isVersion(const QString& text)
{
    return versionPattern().match(text).hasMatch();
}

int UpdateFeed::compareVersions(const QString& a, const QString& b)
{
    const auto matchA = versionPattern().match(a);
    const auto matchB = versionPattern().match(b);
    if (!matchA.hasMatch() || !matchB.hasMatch())
        return sign(a.compare(b));

    const QStringList numbersA = matchA.captured(1).split(u'.');
    const QStringList numbersB = matchB.captured(1).split(u'.');
    for (qsizetype i = 0; i < std::max(numbersA.size(), numbersB.size()); ++i) {
        const QString left = i < numbersA.size() ? numbersA[i] : QStringLiteral("0");
        const QString right = i < numbersB.size() ? numbersB[i] : QStringLiteral("0");
        if (const int order = compareNumbers(left, right))
            return sign(order);
    }
    const QString suffixA = matchA.captured(2);
    const QString suffixB = matchB.captured(2);
    if (suffixA.isEmpty() || suffixB.isEmpty())
        return suffixA.isEmpty() == suffixB.isEmpty() ? 0 : (suffixA.isEmpty() ? 1 : -1);
    return sign(suffixA.compare(suffixB));
}

std::optional<UpdateFeed> UpdateFeed::parse(const QByteArray& xml, QString* error)
{
    const auto fail = [error](const QString& description) -> std::optional<UpdateFeed> {
        if (error)
            *error = description;
        return std::nullopt;
    };

    UpdateFeed feed;
    QXmlStreamReader reader(xml);
    int itemDepth = -1; // depth of the open <item>, -1 outside one
    int depth = 0;
    ItemVersions current;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            const auto name = reader.name();
            if (itemDepth < 0) {
                if (name == QLatin1String("item")) {
                    itemDepth = depth;
                    current = {};
                }
                continue;
            }
            if (name == QLatin1String("enclosure")) {
                for (const auto& attribute : reader.attributes()) {
                    if (attribute.name() == QLatin1String("shortVersionString") && current.shortVersion.isEmpty())
                        current.shortVersion = attribute.value().trimmed().toString();
                    else if (attribute.name() == QLatin1String("version") && current.version.isEmpty())
                        current.version = attribute.value().trimmed().toString();
                }
            } else if (depth == itemDepth + 1
                       && (name == QLatin1String("shortVersionString") || name == QLatin1String("version"))) {
                const bool isShort = name == QLatin1String("shortVersionString");
                const QString text = reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
                --depth; // readElementText consumed the end element
                if (reader.hasError())
                    break;
                QString& slot = isShort ? current.shortVersion : current.version;
                slot = text;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == itemDepth) {
                // An item without a readable version offers nothing we can compare.
                if (const QString version = current.best(); isVersion(version))
                    feed.versions.append(version);
                itemDepth = -1;
            }
            --depth;
        }
    }
    if (reader.hasError())
        return fail(QStringLiteral("The update feed is not valid XML (line %1: %2).")
                        .arg(reader.lineNumber())
                        .arg(reader.errorString()));
    if (feed.versions.isEmpty())
        return fail(QStringLiteral("The update feed lists no versions."));
    return feed;
}

QString UpdateFeed::newestVersion() const
{
    QString newest;
    for (const QString& version : versions) {
        if (newest.isEmpty() || compareVersions(version, newest) > 0)
            newest = version;
    }
    return newest;
}
