#pragma once

// Builds project file bytes field by field from the file layout, independently of the writer.

#include <QByteArray>
#include <QtEndian>

#include <cstring>

class TProjectFileBytes
{
public:
    // Padding and string tails get a filler byte: a reader must ignore them.
    TProjectFileBytes() : m_header(624, '\xEE') { text(0, "PRJ01", 5); }

    TProjectFileBytes &text(int offset, const QByteArray &value, int capacity)
    {
        m_header[offset] = char(value.size());
        std::memcpy(m_header.data() + offset + 1, value.constData(), size_t(value.size()));
        Q_UNUSED(capacity);
        return *this;
    }
    TProjectFileBytes &rawLength(int offset, int length)
    {
        m_header[offset] = char(length);
        return *this;
    }
    TProjectFileBytes &byte(int offset, int value)
    {
        m_header[offset] = char(value);
        return *this;
    }
    TProjectFileBytes &int32(int offset, qint32 value)
    {
        qToLittleEndian<qint32>(value, m_header.data() + offset);
        return *this;
    }
    TProjectFileBytes &dateTime(int offset, double value)
    {
        quint64 bits;
        std::memcpy(&bits, &value, 8);
        qToLittleEndian<quint64>(bits, m_header.data() + offset);
        return *this;
    }
    TProjectFileBytes &record(const QByteArray &code, int enabled)
    {
        QByteArray rec(7, '\xEE');
        rec[0] = char(code.size());
        std::memcpy(rec.data() + 1, code.constData(), size_t(code.size()));
        rec[6] = char(enabled);
        m_records.append(rec);
        ++m_count;
        return *this;
    }
    // Stores the number of records written so far, unless told another count.
    TProjectFileBytes &count(qint32 value)
    {
        m_forcedCount = value;
        m_countForced = true;
        return *this;
    }
    TProjectFileBytes &comment(const QByteArray &bytes)
    {
        m_comment = bytes;
        return *this;
    }

    QByteArray bytes() const
    {
        QByteArray header = m_header;
        qToLittleEndian<qint32>(m_countForced ? m_forcedCount : m_count, header.data() + 72);
        return header + m_records + m_comment;
    }

private:
    QByteArray m_header;
    QByteArray m_records;
    QByteArray m_comment;
    qint32 m_count = 0;
    qint32 m_forcedCount = 0;
    bool m_countForced = false;
};
