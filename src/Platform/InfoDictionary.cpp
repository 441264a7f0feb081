#include "Platform/InfoDictionary.h"

#include "InfoDictionaryValues.h"

const InfoDictionary& InfoDictionary::main()
{
    static const InfoDictionary dictionary({
        {QStringLiteral("CFBundleShortVersionString"), QString::fromUtf8(InfoDictionaryValues::shortVersionString)},
        {QStringLiteral("SUFeedURL"), QString::fromUtf8(InfoDictionaryValues::feedUrl)},
        {QStringLiteral("SUPublicEDKey"), QString::fromUtf8(InfoDictionaryValues::publicEdKey)},
    });
    return dictionary;
}

std::optional<QString> InfoDictionary::value(const QString& key) const
{
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return *it;
}
