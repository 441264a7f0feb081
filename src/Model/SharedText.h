#pragma once

#include "Model/DeferredTexts.h"
#include "Model/JsonText.h"
#include "Model/TaskWorkspaceState.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstring>

// Internal to WorkspaceRecordReader; inline, since it is asked for the text
// of every string the record keeps.
namespace WorkspaceRecordReader::detail {

// Hands out one shared copy of unescaped text that repeats: ids across the
// whole record, and within a task its title (as its AI results' source
// title) and its reason. Fewer allocations load faster and leave the heap
// less fragmented.
class SharedText {
public:
    explicit SharedText(DeferredTexts& deferred) : m_deferred(deferred)
    {
        static const QByteArray all = kAllWorkspaceID.toLatin1();
        m_ids[m_idCount++] = {all.constData(), all.size(), kAllWorkspaceID};
    }

    // Ids are compared and ordered as they are read, so their text is made at once.
    QString id(const StringToken& token) { return find(m_ids, m_idCount, token, false, nullptr); }
    QString text(const StringToken& token) { return find(m_recent, m_recentNext, token, true, &m_deferred); }

private:
    struct Entry {
        const char* begin = nullptr;
        qsizetype size = 0;
        QString text;
    };

    template <size_t N>
    static QString find(std::array<Entry, N>& entries, size_t& next, const StringToken& token, bool ring, DeferredTexts* deferred)
    {
        if (token.size == 0)
            return QString();
        for (const Entry& entry : entries) {
            if (entry.size == token.size && std::memcmp(entry.begin, token.begin, size_t(token.size)) == 0)
                return entry.text;
        }
        QString text = deferred && token.size >= kDeferredTextBytes ? deferred->add(token) : textOf(token);
        if (next < N) {
            entries[next] = {token.begin, token.size, text};
            next = ring ? (next + 1) % N : next + 1;
        }
        return text;
    }

    std::array<Entry, 32> m_ids;
    size_t m_idCount = 0;
    std::array<Entry, 8> m_recent;
    size_t m_recentNext = 0;
    DeferredTexts& m_deferred;
};

} // namespace WorkspaceRecordReader::detail
