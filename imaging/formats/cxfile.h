// CxFile: the byte stream every image reader and writer takes; file and memory implementations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CxFile {
public:
    virtual ~CxFile() = default;
    virtual bool Close() = 0;
    /// Reads count items of size bytes; returns the items read.
    virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
    /// origin: 0 from the start, 1 from the current position, 2 from the end.
    virtual bool Seek(int64_t offset, int origin) = 0;
    virtual int64_t Tell() = 0;
    virtual int64_t Size() = 0;
    virtual bool Flush() = 0;
    virtual bool Eof() = 0;
    virtual long Error() = 0;
    virtual bool PutC(uint8_t c) { return Write(&c, 1, 1) == 1; }
    virtual long GetC() = 0;
    virtual char* GetS(char* buffer, int size) = 0;
    virtual long Scanf(const char* format, void* output) = 0;
};

/// A standard buffered file stream. A stream handed in by the caller is never closed here.
class CxIOFile : public CxFile {
public:
    explicit CxIOFile(FILE* fp = nullptr);
    ~CxIOFile() override;
    bool Open(const char* path, const char* mode);
    FILE* GetStream() const { return m_fp; }
    /// The errno of the first write or flush that failed (ENOSPC for a full disk); 0 when none did.
    int WriteErrno() const { return m_writeErrno; }

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    int64_t Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(uint8_t c) override;
    long GetC() override;
    char* GetS(char* buffer, int size) override;
    long Scanf(const char* format, void* output) override;

private:
    void noteWriteError();

    FILE* m_fp;
    bool m_closeFile;
    int m_writeErrno = 0;
};

/// A growable memory stream, over a caller's buffer (never freed here) or its own.
class CxMemFile : public CxFile {
public:
    CxMemFile(uint8_t* buffer = nullptr, size_t size = 0);
    ~CxMemFile() override;
    /// Allocates an own, empty buffer; false when one already exists.
    bool Open();
    /// With detach the caller becomes the owner of the buffer.
    uint8_t* GetBuffer(bool detach = true);
    size_t GetCapacity() const { return m_capacity; }

    bool Close() override;
    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void* buffer, size_t size, size_t count) override;
    bool Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    int64_t Size() override;
    bool Flush() override;
    bool Eof() override;
    long Error() override;
    bool PutC(uint8_t c) override;
    long GetC() override;
    char* GetS(char* buffer, int size) override;
    long Scanf(const char* format, void* output) override;

private:
    bool grow(size_t n);

    uint8_t* m_buffer;
    size_t m_size;
    bool m_freeOnClose;
    size_t m_position;
    size_t m_capacity;
};
