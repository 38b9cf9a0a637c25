// CxMemFile: CxFile over a growable memory buffer.
#include "imaging/formats/cxfile.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

CxMemFile::CxMemFile(uint8_t* buffer, size_t size)
    : m_buffer(buffer)
    , m_size(size)
    , m_freeOnClose(buffer == nullptr)
    , m_position(0)
    , m_capacity(size)
{
}

CxMemFile::~CxMemFile()
{
    Close();
}

bool CxMemFile::Open()
{
    if (m_buffer)
        return false;
    m_buffer = static_cast<uint8_t*>(std::malloc(1));
    if (!m_buffer)
        return false;
    m_size = m_capacity = m_position = 0;
    m_freeOnClose = true;
    return true;
}

uint8_t* CxMemFile::GetBuffer(bool detach)
{
    if (detach)
        m_freeOnClose = false;
    return m_buffer;
}

bool CxMemFile::Close()
{
    if (m_buffer && m_freeOnClose) {
        std::free(m_buffer);
        m_buffer = nullptr;
        m_size = 0;
        m_capacity = 0;
        m_position = 0;
    }
    return true;
}

bool CxMemFile::grow(size_t n)
{
    if (m_capacity >= n && m_buffer)
        return true;
    if (n > std::numeric_limits<size_t>::max() - 0x20000)
        return false;
    const size_t capacity = (n & ~size_t(0xFFFF)) + 0x10000;
    // A caller's buffer cannot be reallocated: move the data into an own block.
    uint8_t* grown;
    if (m_buffer && m_freeOnClose) {
        grown = static_cast<uint8_t*>(std::realloc(m_buffer, capacity));
    } else {
        grown = static_cast<uint8_t*>(std::malloc(capacity));
        if (grown && m_buffer)
            std::memcpy(grown, m_buffer, m_size);
    }
    if (!grown)
        return false;
    m_buffer = grown;
    m_capacity = capacity;
    m_freeOnClose = true;
    return true;
}

size_t CxMemFile::Read(void* buffer, size_t size, size_t count)
{
    if (!buffer || !m_buffer || size == 0 || m_position >= m_size)
        return 0;
    size_t want = size * count;
    if (count != 0 && want / count != size)
        want = std::numeric_limits<size_t>::max();
    const size_t n = std::min(want, m_size - m_position);
    std::memcpy(buffer, m_buffer + m_position, n);
    m_position += n;
    return n / size;
}

size_t CxMemFile::Write(const void* buffer, size_t size, size_t count)
{
    if (!m_buffer || !buffer || size == 0 || count == 0)
        return 0;
    const size_t n = size * count;
    if (n / count != size || n > std::numeric_limits<size_t>::max() - m_position)
        return 0;
    if (!grow(m_position + n))
        return 0;
    if (m_position > m_size)
        std::memset(m_buffer + m_size, 0, m_position - m_size); // a gap left by seeking past the end
    std::memcpy(m_buffer + m_position, buffer, n);
    m_position += n;
    if (m_position > m_size)
        m_size = m_position;
    return count;
}

bool CxMemFile::Seek(int64_t offset, int origin)
{
    int64_t base;
    switch (origin) {
    case 0:
        base = 0;
        break;
    case 1:
        base = int64_t(m_position);
        break;
    case 2:
        base = int64_t(m_size);
        break;
    default:
        return false;
    }
    int64_t target = base + offset;
    if (target < 0)
        target = 0;
    m_position = size_t(target);
    return true;
}

int64_t CxMemFile::Tell()
{
    return m_buffer ? int64_t(m_position) : -1;
}

int64_t CxMemFile::Size()
{
    return m_buffer ? int64_t(m_size) : -1;
}

bool CxMemFile::Flush()
{
    return m_buffer != nullptr;
}

bool CxMemFile::Eof()
{
    return !m_buffer || m_position >= m_size;
}

long CxMemFile::Error()
{
    if (!m_buffer)
        return -1;
    return m_position > m_size ? 1 : 0;
}

bool CxMemFile::PutC(uint8_t c)
{
    if (!m_buffer || !grow(m_position + 1))
        return false;
    if (m_position > m_size)
        std::memset(m_buffer + m_size, 0, m_position - m_size);
    m_buffer[m_position++] = c;
    if (m_position > m_size)
        m_size = m_position;
    return true;
}

long CxMemFile::GetC()
{
    if (Eof())
        return -1;
    return m_buffer[m_position++];
}

char* CxMemFile::GetS(char* buffer, int size)
{
    if (!buffer || size <= 0)
        return nullptr;
    int n = 0;
    while (n < size - 1) {
        const long c = GetC();
        if (c == -1) {
            buffer[n] = 0;
            return nullptr;
        }
        buffer[n++] = char(c);
        if (c == '\n')
            break;
    }
    buffer[n] = 0;
    return buffer;
}

long CxMemFile::Scanf(const char*, void*)
{
    return 0;
}
