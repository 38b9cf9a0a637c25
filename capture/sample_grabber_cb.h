// The frame grabber: when asked, the next frame that passes the stream tap is written to a file as
// a 24-bit bottom-up BMP. Shared between the user-interface thread and the streaming thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include <QString>

class QImage;

/// Writes a plain 24-bit BMP (14-byte file header, 40-byte info header, rows bottom-up, each row
/// padded to 4 bytes) from top-down BGR rows. The bytes go to a temporary file in the target's
/// folder, which is renamed onto path only when complete. False (and nothing left behind) when
/// the file cannot be created or written.
bool WriteBmp24(const std::string& path, const uint8_t* topDownBgr, int width, int height, int stride);
/// The same for any QImage (converted to BGR first when needed). False for a null image.
bool WriteBmp24(const QString& path, const QImage& image);

class CSampleGrabberCB {
public:
    static constexpr int kSOk = 0;
    static constexpr int kEPointer = static_cast<int>(0x80004003u);
    static constexpr int kEFail = static_cast<int>(0x80004005u);

    CSampleGrabberCB() = default;
    CSampleGrabberCB(const CSampleGrabberCB&) = delete;
    CSampleGrabberCB& operator=(const CSampleGrabberCB&) = delete;

    /// The one callback object every capture graph feeds.
    static CSampleGrabberCB& instance();

    /// Frame size of the stream, taken from the negotiated format.
    void SetFrameSize(int width, int height);
    int frameWidth() const { return m_frameWidth.load(std::memory_order_relaxed); }
    int frameHeight() const { return m_frameHeight.load(std::memory_order_relaxed); }

    /// Asks for the next frame to be written to path. A request still pending is redirected to
    /// the newer path; a request made while a frame is being written is served by the next frame.
    void RequestFrame(const QString& path);
    bool IsRequested() const { return m_request.load(std::memory_order_acquire) != 0; }
    void CancelRequest();
    QString TargetPath() const;

    /// Streaming thread, once per frame. buffer holds the frame's rows top-down in BGR order,
    /// each padded to 4 bytes, length bytes in all. Does nothing but a flag test when no frame
    /// is wanted. A null buffer (kEPointer) or one too short for the frame size (kEFail) leaves
    /// the request raised for the next frame; a file that cannot be created drops the request.
    int BufferCB(double time, const uint8_t* buffer, long length);

    /// Counters for diagnostics and tests.
    int filesWritten() const { return m_filesWritten.load(); }
    int writeFailures() const { return m_writeFailures.load(); }

private:
    std::atomic<int> m_frameWidth { 0 };
    std::atomic<int> m_frameHeight { 0 };

    // Request number of the pending request, 0 when idle. Raised with release after the path is
    // stored, tested with acquire; cleared only if no newer request came in meanwhile.
    std::atomic<uint32_t> m_request { 0 };
    mutable std::mutex m_pathLock;
    std::string m_targetPath;
    uint32_t m_lastRequest = 0;

    std::atomic<int> m_filesWritten { 0 };
    std::atomic<int> m_writeFailures { 0 };
};
