// The frame grabber and the BMP writer it shares with the renderer's snapshot.
#include "capture/sample_grabber_cb.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QImage>

namespace {

void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

bool writeAll(int fd, const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace

bool WriteBmp24(const std::string& path, const uint8_t* topDownBgr, int width, int height, int stride)
{
    if (!topDownBgr || width <= 0 || height <= 0 || path.empty())
        return false;
    const size_t rowBytes = (size_t(width) * 3 + 3) & ~size_t(3);
    if (size_t(stride) < size_t(width) * 3)
        return false;
    const uint64_t imageBytes = uint64_t(rowBytes) * uint64_t(height);
    if (imageBytes + 54 > 0xFFFFFFFFu)
        return false;

    std::vector<uint8_t> file(54 + size_t(imageBytes), 0);
    uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, uint32_t(imageBytes + 54));
    put32(h + 10, 54);
    put32(h + 14, 40);
    put32(h + 18, uint32_t(width));
    put32(h + 22, uint32_t(height));
    put16(h + 26, 1);
    put16(h + 28, 24);
    // compression, image size, resolutions and colour counts stay 0

    uint8_t* out = file.data() + 54;
    for (int y = height - 1; y >= 0; --y, out += rowBytes)
        std::memcpy(out, topDownBgr + size_t(y) * size_t(stride), size_t(width) * 3);

    // A reader polling for the target name must never see a partial file.
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty())
        return false;
    std::string tmp = dir + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return false;
    // mkstemp creates 0600; a shot is an ordinary user file (umask() is not thread-safe to query).
    ::fchmod(fd, 0644);
    bool ok = writeAll(fd, file.data(), file.size());
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(tmp.c_str());
    return ok;
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
