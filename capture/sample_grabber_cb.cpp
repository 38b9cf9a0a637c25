// The frame grabber and the BMP writer it shares with the renderer's snapshot.
#include "capture/sample_grabber_cb.h"

#include <cstring>
#include <string>

#include <QFile>
#include <QImage>

#include "platform/atomic_file.h"
#include "platform/bmp_writer.h"

bool WriteBmp24(const std::string& path, const uint8_t* topDownBgr, int width, int height, int stride)
{
    if (!topDownBgr || width <= 0 || height <= 0 || path.empty() || path.back() == '/')
        return false;
    if (size_t(stride) < size_t(width) * 3)
        return false;
    if (uint64_t(platform::bmpRowBytes(width, 24)) * uint64_t(height) + 54 > 0xFFFFFFFFu)
        return false;
    platform::BmpInfo info;
    info.width = width;
    info.height = height;
    info.bitCount = 24;
    // Stored rows run bottom line first; the padding bytes of the scratch row stay zero.
    const size_t lineBytes = size_t(width) * 3;
    const platform::BmpRowSource rows = [&](uint32_t fileRow, uint8_t* scratch) -> const uint8_t* {
        std::memcpy(scratch, topDownBgr + size_t(height - 1 - int(fileRow)) * size_t(stride), lineBytes);
        return scratch;
    };
    // One write of the whole file; a reader polling for the target name never sees a partial one.
    std::string bytes;
    bytes.reserve(54 + platform::bmpRowBytes(width, 24) * size_t(height));
    const platform::BmpSink sink = [&bytes](const uint8_t* data, size_t size) {
        bytes.append(reinterpret_cast<const char*>(data), size);
        return true;
    };
    return platform::writeBmp(sink, info, rows) && platform::writeFileAtomically(path, bytes);
}

bool WriteBmp24(const QString& path, const QImage& image)
{
    if (image.isNull())
        return false;
    const QImage bgr = image.format() == QImage::Format_BGR888 ? image : image.convertToFormat(QImage::Format_BGR888);
    return WriteBmp24(
        QFile::encodeName(path).toStdString(), bgr.constBits(), bgr.width(), bgr.height(), int(bgr.bytesPerLine()));
}

CSampleGrabberCB& CSampleGrabberCB::instance()
{
    static CSampleGrabberCB cb;
    return cb;
}

void CSampleGrabberCB::SetFrameSize(int width, int height)
{
    m_frameWidth.store(width, std::memory_order_relaxed);
    m_frameHeight.store(height, std::memory_order_relaxed);
}

void CSampleGrabberCB::RequestFrame(const QString& path)
{
    std::lock_guard lock(m_pathLock);
    m_targetPath = QFile::encodeName(path).toStdString();
    if (++m_lastRequest == 0)
        m_lastRequest = 1;
    m_request.store(m_lastRequest, std::memory_order_release);
}

void CSampleGrabberCB::CancelRequest()
{
    std::lock_guard lock(m_pathLock);
    m_request.store(0, std::memory_order_release);
}

QString CSampleGrabberCB::TargetPath() const
{
    std::lock_guard lock(m_pathLock);
    return QFile::decodeName(QByteArray::fromStdString(m_targetPath));
}

int CSampleGrabberCB::BufferCB(double /*time*/, const uint8_t* buffer, long length)
{
    if (m_request.load(std::memory_order_acquire) == 0)
        return kSOk;
    if (!buffer)
        return kEPointer;

    const int width = frameWidth();
    const int height = frameHeight();
    const long stride = (long(width) * 3 + 3) & ~3L;
    if (width <= 0 || height <= 0 || length < stride * height)
        return kEFail;

    uint32_t request;
    std::string path;
    {
        std::lock_guard lock(m_pathLock);
        request = m_request.load(std::memory_order_acquire);
        if (request == 0)
            return kSOk;
        path = m_targetPath;
    }

    if (WriteBmp24(path, buffer, width, height, int(stride)))
        m_filesWritten.fetch_add(1);
    else
        m_writeFailures.fetch_add(1);

    // Only this request is done; one raised while the file was written stays for the next frame.
    uint32_t expected = request;
    m_request.compare_exchange_strong(expected, 0, std::memory_order_acq_rel);
    return kSOk;
}
