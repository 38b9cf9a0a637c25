// CxImage file entry points: Decode/Encode dispatch by format id, probing, Load, Save.
#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"
#include "imaging/formats/cximage_formats_p.h"
#include "platform/atomic_file.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QFile>

using namespace cxformats;

namespace {
// Probing order for an unknown id. The JPEG 2000 family is tried with id 0 so that the
// codec recognises which of its formats the data is.
struct Probe {
    uint32_t entry;
    uint32_t passId;
};
const Probe kProbeOrder[] = {
    { CXIMAGE_FORMAT_BMP, CXIMAGE_FORMAT_BMP },
    { CXIMAGE_FORMAT_JPG, CXIMAGE_FORMAT_JPG },
    { CXIMAGE_FORMAT_ICO, CXIMAGE_FORMAT_ICO },
    { CXIMAGE_FORMAT_GIF, CXIMAGE_FORMAT_GIF },
    { CXIMAGE_FORMAT_PNG, CXIMAGE_FORMAT_PNG },
    { CXIMAGE_FORMAT_TIF, CXIMAGE_FORMAT_TIF },
    { CXIMAGE_FORMAT_MNG, CXIMAGE_FORMAT_MNG },
    { CXIMAGE_FORMAT_TGA, CXIMAGE_FORMAT_TGA },
    { CXIMAGE_FORMAT_PCX, CXIMAGE_FORMAT_PCX },
    { CXIMAGE_FORMAT_WBMP, CXIMAGE_FORMAT_WBMP },
    { CXIMAGE_FORMAT_WMF, CXIMAGE_FORMAT_WMF },
    { CXIMAGE_FORMAT_JP2, CXIMAGE_FORMAT_UNKNOWN },
    { CXIMAGE_FORMAT_SKA, CXIMAGE_FORMAT_SKA },
    { CXIMAGE_FORMAT_RAW, CXIMAGE_FORMAT_RAW },
};
} // namespace

bool CxImage::EncodeSafeCheck(CxFile* file)
{
    if (!file) {
        SetLastError("null file handler");
        return true;
    }
    if (!m_dib) {
        SetLastError("null image!!!");
        return true;
    }
    return false;
}

bool CxImage::Encode(CxFile* file, uint32_t imageType)
{
    const FormatEntry* f = findFormat(imageType);
    if (!f || (!f->encode && !f->writeRefusal)) {
        SetLastError("Encode: Unknown format");
        return false;
    }
    if (EncodeSafeCheck(file))
        return false;
    if (!f->encode) {
        SetLastError("%s", f->writeRefusal);
        return false;
    }
    return f->encode(*this, file, imageType);
}

bool CxImage::Decode(CxFile* file, uint32_t imageType)
{
    if (!file) {
        SetLastError("null file handler");
        return false;
    }
    if (imageType == CXIMAGE_FORMAT_UNKNOWN) {
        const int64_t start = file->Tell();
        bool first = true;
        for (const Probe& p : kProbeOrder) {
            const FormatEntry* f = findFormat(p.entry);
            if (!f || !f->decode)
                continue;
            if (!first)
                file->Seek(start, 0);
            first = false;
            const int32_t frames = GetNumFrames();
            if (f->decode(*this, file, p.passId))
                return true;
            SetNumFrames(frames); // a failed probe leaves nothing behind but the final text
        }
        SetLastError("Decode: Unknown or wrong format");
        return false;
    }
    const FormatEntry* f = findFormat(imageType);
    if (!f || !f->decode) {
        SetLastError("Decode: Unknown or wrong format");
        return false;
    }
    const int32_t frames = GetNumFrames();
    const bool ok = f->decode(*this, file, imageType);
    // Only multi-frame formats report their frame count back from a failed decode.
    if (!ok && !f->multiFrame)
        SetNumFrames(frames);
    return ok;
}

bool CxImage::Decode(FILE* file, uint32_t imageType)
{
    if (!file)
        return Decode(static_cast<CxFile*>(nullptr), imageType);
    CxIOFile stream(file);
    return Decode(&stream, imageType);
}

bool CxImage::Encode(FILE* file, uint32_t imageType)
{
    if (!file)
        return Encode(static_cast<CxFile*>(nullptr), imageType);
    CxIOFile stream(file);
    return Encode(&stream, imageType);
}

bool CxImage::Load(const char* path, uint32_t imageType)
{
    if (!path)
        return false;
    const bool firstAttempt = CxFormatIndex(imageType) != 0;
    if (firstAttempt) {
        CxIOFile file;
        if (!file.Open(path, "rb"))
            return false;
        if (Decode(&file, imageType))
            return true;
    }
    char firstError[sizeof(m_info.lastError)];
    std::memcpy(firstError, m_info.lastError, sizeof(firstError));
    CxIOFile file;
    if (!file.Open(path, "rb"))
        return false;
    const bool ok = Decode(&file, CXIMAGE_FORMAT_UNKNOWN);
    if (!ok && firstAttempt)
        std::memcpy(m_info.lastError, firstError, sizeof(firstError));
    return ok;
}

bool CxImage::Save(const char* path, uint32_t imageType)
{
    if (!path || !*path)
        return false;
    // Check what can be checked before creating anything on disk.
    const FormatEntry* f = findFormat(imageType);
    if (!f || !f->encode) {
        CxMemFile probe;
        probe.Open();
        return Encode(&probe, imageType);
    }
    // Write beside the target and rename over it only once the encoder succeeded, so a
    // failure never leaves a damaged or empty file under the target name.
    platform::AtomicFile target(path);
    std::string error;
    FILE* fp = target.open(&error) ? target.file() : nullptr;
    if (!fp) {
        SetLastError("%s", error.empty() ? (std::string(path) + ": cannot open").c_str() : error.c_str());
        return false;
    }
    bool ok;
    int writeErrno;
    {
        CxIOFile stream(fp);
        ok = Encode(&stream, imageType);
        writeErrno = stream.WriteErrno();
    }
    // A file that could not be written reads "<path>: <reason>", as a failed open or commit does:
    // a write that failed under the encoder says why ("No space left on device") rather than the
    // encoder's "Error writing PNG file", also when the encoder did not notice it. A picture the
    // format cannot hold keeps the encoder's own text.
    if (writeErrno) {
        target.discard();
        SetLastError("%s: %s", path, std::strerror(writeErrno));
        return false;
    }
    if (!ok) {
        target.discard();
        return false;
    }
    if (!target.commit(&error)) {
        SetLastError("%s", error.c_str());
        return false;
    }
    return true;
}

bool CxImage::LoadResource(const char* resource, uint32_t imageType)
{
    QFile file(QString::fromUtf8(resource ? resource : ""));
    if (!resource || !file.open(QIODevice::ReadOnly)) {
        SetLastError("Unable to load resource!");
        return false;
    }
    QByteArray bytes = file.readAll();
    CxMemFile mem(reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()));
    return Decode(&mem, imageType);
}

uint32_t CxImage::FormatFromExtension(const char* extension)
{
    if (!extension)
        return 0;
    char key[4] = { 0, 0, 0, 0 };
    for (int i = 0; i < 3 && extension[i]; ++i)
        key[i] = char(std::tolower(static_cast<unsigned char>(extension[i])));
    if (!key[0])
        return 0;
    size_t count = 0;
    const FormatEntry* table = formatTable(&count);
    for (size_t i = 0; i < count; ++i) {
        const char* e = table[i].extensions;
        while (*e) {
            size_t len = 0;
            while (e[len] && e[len] != ' ')
                ++len;
            if (len >= 3 && std::strncmp(e, key, 3) == 0)
                return table[i].id;
            e += len;
            while (*e == ' ')
                ++e;
        }
    }
    return 0;
}

std::string SaveFailureText(const CxImage& image, const char* path)
{
    const std::string text = image.GetLastError();
    const std::string file = path ? path : "";
    if (text.compare(0, file.size() + 1, file + ":") == 0)
        return text;
    return file + ": " + (text.empty() ? std::string("the file could not be written") : text);
}
