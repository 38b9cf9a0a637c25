// CxIOFile: CxFile over a C stdio stream.
#include "imaging/formats/cxfile.h"

#include <cerrno>

CxIOFile::CxIOFile(FILE* fp)
    : m_fp(fp)
    , m_closeFile(fp == nullptr)
{
}

CxIOFile::~CxIOFile()
{
    Close();
}

bool CxIOFile::Open(const char* path, const char* mode)
{
    if (m_fp)
        return false;
    m_fp = std::fopen(path, mode);
    if (!m_fp)
        return false;
    m_closeFile = true;
    return true;
}

bool CxIOFile::Close()
{
    if (!m_fp || !m_closeFile)
        return true;
    const int rc = std::fclose(m_fp);
    m_fp = nullptr;
    return rc == 0;
}

size_t CxIOFile::Read(void* buffer, size_t size, size_t count)
{
    return m_fp ? std::fread(buffer, size, count, m_fp) : 0;
}

void CxIOFile::noteWriteError()
{
    // Encoders only see a short count; the reason (a full disk, a quota) is kept for the caller.
    if (!m_writeErrno)
        m_writeErrno = errno ? errno : EIO;
}

size_t CxIOFile::Write(const void* buffer, size_t size, size_t count)
{
    if (!m_fp)
        return 0;
    errno = 0;
    const size_t written = std::fwrite(buffer, size, count, m_fp);
    if (written != count)
        noteWriteError();
    return written;
}

bool CxIOFile::Seek(int64_t offset, int origin)
{
    if (!m_fp)
        return false;
    errno = 0;
    if (fseeko(m_fp, off_t(offset), origin) == 0)
        return true;
    // A buffered stream writes what it holds before it seeks: a full disk may show here first.
    if (std::ferror(m_fp))
        noteWriteError();
    return false;
}

int64_t CxIOFile::Tell()
{
    return m_fp ? int64_t(ftello(m_fp)) : 0;
}

int64_t CxIOFile::Size()
{
    if (!m_fp)
        return -1;
    const off_t pos = ftello(m_fp);
    fseeko(m_fp, 0, SEEK_END);
    const off_t size = ftello(m_fp);
    fseeko(m_fp, pos, SEEK_SET);
    return int64_t(size);
}

bool CxIOFile::Flush()
{
    if (!m_fp)
        return false;
    errno = 0;
    if (std::fflush(m_fp) == 0)
        return true;
    noteWriteError();
    return false;
}

bool CxIOFile::Eof()
{
    return !m_fp || std::feof(m_fp) != 0;
}

long CxIOFile::Error()
{
    return m_fp ? std::ferror(m_fp) : -1;
}

bool CxIOFile::PutC(uint8_t c)
{
    if (!m_fp)
        return false;
    errno = 0;
    if (std::fputc(c, m_fp) == c)
        return true;
    noteWriteError();
    return false;
}

long CxIOFile::GetC()
{
    return m_fp ? std::getc(m_fp) : -1;
}

char* CxIOFile::GetS(char* buffer, int size)
{
    return m_fp ? std::fgets(buffer, size, m_fp) : nullptr;
}

long CxIOFile::Scanf(const char* format, void* output)
{
    return m_fp ? std::fscanf(m_fp, format, output) : -1;
}
