// The format table behind Decode/Encode: one entry per format id. A format plugs in by
// adding its codec class (a CxImage subclass with Decode(CxFile*) and Encode(CxFile*))
// and pointing its table entry at decodeWith<Codec> / encodeWith<Codec>.
#pragma once

#include "imaging/cximage.h"
#include "imaging/formats/cxfile.h"

namespace cxformats {

using DecodeFn = bool (*)(CxImage& target, CxFile* file, uint32_t id);
using EncodeFn = bool (*)(CxImage& source, CxFile* file, uint32_t id);

struct FormatEntry {
    uint32_t id;
    const char* name;
    /// Space-separated extensions; only their first three letters are compared.
    const char* extensions;
    /// The decoder's frame count is copied back even when decoding fails.
    bool multiFrame;
    DecodeFn decode; ///< null: the format cannot be read (yet)
    EncodeFn encode; ///< null: the format cannot be written
    const char* writeRefusal; ///< fixed text for formats that never write; null for the generic one
};

/// Entry of an id, or null for 0, 16 and unknown ids.
const FormatEntry* findFormat(uint32_t id);
/// All entries, in id order.
const FormatEntry* formatTable(size_t* count);

/// Decodes with a codec class into a temporary and moves the result into target on success.
template <class Codec> bool decodeWith(CxImage& target, CxFile* file, uint32_t id)
{
    Codec codec;
    codec.CopyAttributes(target);
    const bool ok = codec.Decode(file);
    if (ok) {
        target.TakeOver(codec, true);
    } else {
        target.SetLastError("%s", codec.GetLastError());
        if (codec.GetNumFrames() > 0 && !target.GetFrame(0))
            target.SetNumFrames(codec.GetNumFrames());
    }
    return ok;
}

/// Encodes through a codec class that aliases source, so no pixels are copied.
template <class Codec> bool encodeWith(CxImage& source, CxFile* file, uint32_t id)
{
    Codec codec;
    codec.MakeAlias(source);
    const bool ok = codec.Encode(file);
    if (!ok)
        source.SetLastError("%s", codec.GetLastError());
    return ok;
}

} // namespace cxformats
