#include "Platform/XSettings.h"

#include <QtEndian>

namespace {
// Reads the property's fields in the byte order it declares, never past its end.
class Reader {
public:
    Reader(QByteArrayView bytes, bool bigEndian) : m_bytes(bytes), m_bigEndian(bigEndian) {}

    bool skip(qsizetype count)
    {
        if (count < 0 || count > m_bytes.size() - m_at)
            return false;
        m_at += count;
        return true;
    }
    template <typename T>
    bool read(T& value)
    {
        if (qsizetype(sizeof(T)) > m_bytes.size() - m_at)
            return false;
        const auto* data = reinterpret_cast<const uchar*>(m_bytes.data() + m_at);
        value = m_bigEndian ? qFromBigEndian<T>(data) : qFromLittleEndian<T>(data);
        m_at += sizeof(T);
        return true;
    }
    // `length` bytes, then padding up to a multiple of four.
    bool readPadded(quint32 length, QByteArray& text)
    {
        const qsizetype padded = (qsizetype(length) + 3) & ~qsizetype(3);
        if (padded > m_bytes.size() - m_at)
            return false;
        text = QByteArray(m_bytes.data() + m_at, qsizetype(length));
        m_at += padded;
        return true;
    }

private:
    QByteArrayView m_bytes;
    bool m_bigEndian;
    qsizetype m_at = 0;
};

enum Type : quint8 { integer = 0, string = 1, color = 2 };
} // namespace

std::optional<QHash<QByteArray, XSettings::Value>> XSettings::parse(QByteArrayView bytes)
{
    // Byte order: 0 for least significant byte first, 1 for most significant first.
    if (bytes.isEmpty() || quint8(bytes[0]) > 1)
        return std::nullopt;
    Reader reader(bytes, bytes[0] == 1);
    quint32 serial = 0, count = 0;
    if (!reader.skip(4) || !reader.read(serial) || !reader.read(count))
        return std::nullopt;
    QHash<QByteArray, Value> settings;
    for (quint32 i = 0; i < count; ++i) {
        quint8 type = 0;
        quint16 nameLength = 0;
        QByteArray name;
        quint32 lastChange = 0;
        if (!reader.read(type) || !reader.skip(1) || !reader.read(nameLength) || !reader.readPadded(nameLength, name)
            || !reader.read(lastChange))
            return std::nullopt;
        switch (type) {
        case integer: {
            qint32 value = 0;
            if (!reader.read(value))
                return std::nullopt;
            settings.insert(name, value);
            break;
        }
        case string: {
            quint32 length = 0;
            QByteArray value;
            if (!reader.read(length) || !reader.readPadded(length, value))
                return std::nullopt;
            settings.insert(name, value);
            break;
        }
        case color: {
            Color value;
            if (!reader.read(value.red) || !reader.read(value.blue) || !reader.read(value.green)
                || !reader.read(value.alpha))
                return std::nullopt;
            settings.insert(name, value);
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return settings;
}
