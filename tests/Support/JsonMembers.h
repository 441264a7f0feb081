#pragma once

#include <QByteArray>
#include <QList>
#include <utility>

// Test records built from JSON text: a stored record repeats no key, so a
// member a test adds replaces the one it has by default.
namespace JsonMembers {

// The names `extra` (",\"a\":1,\"b\":{...}") gives members at its own level, as written.
inline QList<QByteArray> names(const QByteArray& extra)
{
    QList<QByteArray> found;
    int depth = 0;
    for (qsizetype i = 0; i < extra.size(); ++i) {
        const char c = extra.at(i);
        if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == '"') {
            const qsizetype start = i + 1;
            for (++i; i < extra.size() && extra.at(i) != '"'; ++i) {
                if (extra.at(i) == '\\')
                    ++i;
            }
            qsizetype next = i + 1;
            while (next < extra.size() && extra.at(next) == ' ')
                ++next;
            if (depth == 0 && next < extra.size() && extra.at(next) == ':')
                found.append(extra.mid(start, i - start));
        }
    }
    return found;
}

// {"name":value,...} with `extra` last; a member of `base` that `extra` names again is left out.
inline QByteArray object(const QList<std::pair<QByteArray, QByteArray>>& base, const QByteArray& extra)
{
    const QList<QByteArray> replaced = names(extra);
    QByteArray members;
    for (const auto& [name, value] : base) {
        if (!replaced.contains(name))
            members += (members.isEmpty() ? "" : ",") + ('"' + name + "\":" + value);
    }
    return '{' + members + extra + '}';
}

} // namespace JsonMembers
