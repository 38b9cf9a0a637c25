// Helpers shared by the format codecs: bounded whole-stream reads, a checked byte reader over
// untrusted data, big-endian packing and the frame list a multi-frame decoder fills.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace cxcodec {

/// Largest file a codec reads into memory at once.
constexpr int64_t kMaxFileBytes = 512ll * 1024 * 1024;

/// Reads everything from the stream's position to its end (at most kMaxFileBytes).
/// False when the stream size is unknown or too large.
inline bool readRest(CxFile* file, std::vector<uint8_t>& out)
{
    const int64_t pos = file->Tell();
    const int64_t size = file->Size();
    if (pos < 0 || size < 0 || size - pos > kMaxFileBytes)
        return false;
    const size_t n = size > pos ? size_t(size - pos) : 0;
    out.resize(n);
    if (n && file->Read(out.data(), 1, n) != n)
        out.resize(file->Tell() > pos ? size_t(file->Tell() - pos) : 0);
    return true;
}

/// True when w x h pixels of the given bits fit the container's memory limit.
inline bool fitsMemory(uint64_t w, uint64_t h, uint64_t bits)
{
    return w > 0 && h > 0 && w <= 0x7FFFFFFF && h <= 0x7FFFFFFF && w * h <= (uint64_t(1) << 40)
        && w * h * bits / 8 <= CXIMAGE_MAX_MEMORY;
}

/// A cursor over untrusted bytes; reads past the end give zeros and set the overrun flag.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    size_t pos() const { return m_pos; }
    size_t size() const { return m_size; }
    size_t left() const { return m_pos < m_size ? m_size - m_pos : 0; }
    bool overrun() const { return m_overrun; }
    const uint8_t* here() const { return m_data + (m_pos < m_size ? m_pos : m_size); }
    void seek(size_t p)
    {
        m_pos = p;
        if (p > m_size)
            m_overrun = true;
    }
    void skip(size_t n) { seek(n > left() ? m_size + 1 : m_pos + n); }
    uint8_t u8()
    {
        if (m_pos >= m_size) {
            m_overrun = true;
            return 0;
        }
        return m_data[m_pos++];
    }
    uint16_t le16()
    {
        const uint16_t a = u8();
        return uint16_t(a | (u8() << 8));
    }
    uint32_t le32()
    {
        const uint32_t a = le16();
        return a | (uint32_t(le16()) << 16);
    }
    uint16_t be16()
    {
        const uint16_t a = u8();
        return uint16_t((a << 8) | u8());
    }
    uint32_t be32()
    {
        const uint32_t a = be16();
        return (a << 16) | be16();
    }
    /// Copies n bytes; false (and nothing copied) when fewer are left.
    bool bytes(void* out, size_t n)
    {
        if (n == 0)
            return true;
        if (n > left()) {
            m_overrun = true;
            return false;
        }
        std::memcpy(out, m_data + m_pos, n);
        m_pos += n;
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_overrun = false;
};

inline void putLe16(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
inline void putLe32(std::vector<uint8_t>& v, uint32_t x)
{
    putLe16(v, x & 0xFFFF);
    putLe16(v, x >> 16);
}
inline void putBe32(std::vector<uint8_t>& v, uint32_t x)
{
    v.push_back(uint8_t(x >> 24));
    v.push_back(uint8_t(x >> 16));
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

/// Writes a whole buffer; false on a short write.
inline bool writeAll(CxFile* file, const std::vector<uint8_t>& v)
{
    return v.empty() || file->Write(v.data(), 1, v.size()) == v.size();
}

/// Frames collected by a decoder before they are handed to the image.
using FrameList = std::vector<std::unique_ptr<CxImage>>;

/// Hands a decoder's frames to its frame array (malloc'ed, as DestroyFrames frees it).
inline bool storeFrames(FrameList& list, CxImage**& frames, int32_t& count)
{
    if (list.empty())
        return true;
    auto** array = static_cast<CxImage**>(std::malloc(sizeof(CxImage*) * list.size()));
    if (!array)
        return false;
    for (size_t i = 0; i < list.size(); ++i)
        array[i] = list[i].release();
    frames = array;
    count = int32_t(list.size());
    return true;
}

/// Palette index of an 8-bit grey value in a palette image that is (or is not) grey-scale.
inline uint8_t luminance(RGBQUAD c)
{
    return uint8_t((c.rgbRed * 299 + c.rgbGreen * 587 + c.rgbBlue * 114) / 1000);
}

} // namespace cxcodec
