#include "Platform/Uuid.h"

#include <cstring>

namespace Uuid {

QString upperString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QString lowerString(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces);
}

namespace {
int hexValue(char16_t c)
{
    return c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
}

template <typename Text> std::optional<QUuid> parseText(const Text& text)
{
    if (text.size() != 36)
        return std::nullopt;
    // The 32 digits in order, read big-endian as the canonical string is.
    uchar bytes[16] = {};
    int digit = 0;
    for (int i = 0; i < 36; ++i) {
        const char16_t c = text.at(i).unicode();
        const bool dash = (i == 8 || i == 13 || i == 18 || i == 23);
        if (dash) {
            if (c != u'-')
                return std::nullopt;
            continue;
        }
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return std::nullopt;
        bytes[digit / 2] = uchar(bytes[digit / 2] << 4 | hexValue(c));
        ++digit;
    }
    return QUuid::fromRfc4122(QByteArrayView(bytes, 16));
}
} // namespace

std::optional<QUuid> parse(const QString& text)
{
    return parseText(text);
}

std::optional<QUuid> parse(QLatin1StringView text)
{
    return parseText(text);
}

int compare(const QUuid& a, const QUuid& b)
{
    // The canonical string orders exactly like the 16 bytes read big-endian.
    if (a.data1 != b.data1)
        return a.data1 < b.data1 ? -1 : 1;
    if (a.data2 != b.data2)
        return a.data2 < b.data2 ? -1 : 1;
    if (a.data3 != b.data3)
        return a.data3 < b.data3 ? -1 : 1;
    return std::memcmp(a.data4, b.data4, sizeof a.data4);
}

} // namespace Uuid
