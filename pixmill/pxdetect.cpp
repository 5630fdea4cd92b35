// File format detection from the first 44 bytes of the data.
#include <cstring>

#include "pixmill/pxstream.h"

namespace px {

namespace {

struct Signature {
    FileFormat format;
    size_t offset;
    size_t length;
    const char* bytes;
};

// Tried in this order; the first match wins. TGA has no signature.
constexpr Signature kSignatures[] = {
    {FileFormat::Bmp, 0, 2, "BM"},
    {FileFormat::Gif, 0, 6, "GIF89a"},
    {FileFormat::Gif, 0, 6, "GIF87a"},
    {FileFormat::Jpeg, 0, 4, "\xFF\xD8\xFF\xE0"},
    {FileFormat::Jpeg, 0, 3, "\xFF\xD8\xFF"},
    {FileFormat::Pcx, 0, 2, "\x0A\x00"},
    {FileFormat::Pcx, 0, 2, "\x0A\x02"},
    {FileFormat::Pcx, 0, 2, "\x0A\x03"},
    {FileFormat::Pcx, 0, 2, "\x0A\x05"},
    {FileFormat::Tiff, 0, 2, "MM"},
    {FileFormat::Tiff, 0, 2, "II"},
    {FileFormat::Png, 0, 8, "\x89PNG\r\n\x1A\n"},
    {FileFormat::Wmf, 0, 5, "\x01\x00\x09\x00\x00"},
    {FileFormat::Wmf, 0, 4, "\xD7\xCD\xC6\x9A"},
    {FileFormat::Emf, 40, 4, " EMF"},
};

constexpr size_t kDetectBytes = 44;

}  // namespace

FileFormat DetectFileFormat(ErrorCode& err, Stream& stream) {
    DepthGuard depth;
    BYTE head[kDetectBytes] = {};
    if (!stream.ReadExact(head, kDetectBytes)) {
        err = ErrorCode::FileRead;
        return FileFormat::Unknown;
    }
    for (const Signature& s : kSignatures)
        if (std::memcmp(head + s.offset, s.bytes, s.length) == 0) return s.format;
    return FileFormat::Unknown;
}

}  // namespace px

FileFormat DetectFileFormat(SourceHandle source) {
    return px::RunOnHandle(source, [](ErrorCode& err, px::Stream& stream) { return px::DetectFileFormat(err, stream); });
}
