// Tagged fields of the project's full-resolution record: a four-letter tag, a little-endian
// 32-bit length and the payload, one after another; a reader skips tags it does not know, so
// later versions can add fields that this one ignores.
#pragma once

#include <cstdint>
#include <cstring>

#include <QByteArray>

namespace tagged {

constexpr uint32_t tag(const char (&t)[5])
{
    return uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 | uint32_t(uint8_t(t[2])) << 16
        | uint32_t(uint8_t(t[3])) << 24;
}

class Writer {
public:
    void u32(uint32_t v)
    {
        const char b[4] = { char(v), char(v >> 8), char(v >> 16), char(v >> 24) };
        m_bytes.append(b, 4);
    }
    void i32(int32_t v) { u32(uint32_t(v)); }
    void f64(double v)
    {
        uint64_t bits = 0;
        std::memcpy(&bits, &v, 8);
        u32(uint32_t(bits));
        u32(uint32_t(bits >> 32));
    }
    void bytes(const QByteArray& b) { m_bytes.append(b); }
    /// One field: tag, length, payload.
    void field(uint32_t t, const QByteArray& payload)
    {
        u32(t);
        u32(uint32_t(payload.size()));
        m_bytes.append(payload);
    }
    const QByteArray& data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

/// Reads within a byte range; any read past its end sets the failure flag and yields zeros.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_bytes(bytes)
    {
    }
    bool failed() const { return m_failed; }
    bool atEnd() const { return m_at >= m_bytes.size(); }
    qsizetype remaining() const { return m_bytes.size() - m_at; }

    uint32_t u32()
    {
        if (remaining() < 4) {
            m_failed = true;
            m_at = m_bytes.size();
            return 0;
        }
        const auto* p = reinterpret_cast<const uint8_t*>(m_bytes.constData() + m_at);
        m_at += 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    int32_t i32() { return int32_t(u32()); }
    double f64()
    {
        const uint64_t lo = u32();
        const uint64_t hi = u32();
        const uint64_t bits = lo | hi << 32;
        double v = 0;
        std::memcpy(&v, &bits, 8);
        return v;
    }
    QByteArray bytes(qsizetype n)
    {
        if (n < 0 || n > remaining()) {
            m_failed = true;
            m_at = m_bytes.size();
            return QByteArray();
        }
        const QByteArray b = m_bytes.mid(m_at, n);
        m_at += n;
        return b;
    }
    /// The next field's tag and payload; false at the end or on a damaged length.
    bool field(uint32_t& t, QByteArray& payload)
    {
        if (atEnd() || m_failed)
            return false;
        t = u32();
        const uint32_t n = u32();
        payload = bytes(qsizetype(n));
        return !m_failed;
    }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
    bool m_failed = false;
};

} // namespace tagged
