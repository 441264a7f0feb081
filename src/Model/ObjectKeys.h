#pragma once

#include <QtGlobal>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

// Internal to WorkspaceRecordReader's JsonStream; inline, since it runs for
// every key.
namespace WorkspaceRecordReader::detail {

// The keys of one object as it is read, to find one it repeats.
class ObjectKeys {
public:
    void clear()
    {
        m_keys.clear();
        if (!m_owned.empty())
            m_owned.clear();
        if (m_indexed) {
            m_index.clear();
            m_indexed = false;
        }
    }

    // A key's bytes must outlive the object; own() keeps a copy that does.
    std::string_view own(std::string bytes) { return m_owned.emplace_back(std::move(bytes)); }

    // False when the object already holds the key. Always inlined, as
    // JsonStream::readNumber is.
    Q_ALWAYS_INLINE bool insert(std::string_view key)
    {
        if (m_indexed)
            return m_index.insert(key).second;
        // One comparison each for most keys.
        const Key candidate{key, leadingBytes(key)};
        for (const Key& known : m_keys) {
            if (known.lead == candidate.lead && known.text == candidate.text)
                return false;
        }
        m_keys.push_back(candidate);
        if (m_keys.size() >= kCompared) {
            for (const Key& known : m_keys)
                m_index.insert(known.text);
            m_indexed = true;
        }
        return true;
    }

private:
    struct Key {
        std::string_view text;
        quint64 lead; // see leadingBytes
    };
    // The length, the first, middle and last bytes: keys that differ mostly differ here.
    static quint64 leadingBytes(std::string_view key)
    {
        if (key.empty())
            return 0;
        const auto byte = [&](size_t i) { return quint64(uchar(key[i])); };
        return quint64(key.size()) << 24 | byte(0) << 16 | byte(key.size() / 2) << 8 | byte(key.size() - 1);
    }

    // A record's objects hold a dozen keys at most; a map may hold any number.
    static constexpr size_t kCompared = 16;
    std::vector<Key> m_keys;
    std::deque<std::string> m_owned; // never moves what it holds
    std::unordered_set<std::string_view> m_index;
    bool m_indexed = false;
};

} // namespace WorkspaceRecordReader::detail
