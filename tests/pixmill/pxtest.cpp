#include "pxtest.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pxtest {

Bytes Decoded::Pixels(size_t n) const {
    if (!buffer) return {};
    return Bytes(buffer.get(), buffer.get() + size_t{w} * h * n);
}

Image Decoded::AsImage() const { return Image{w, h, Pixels(3)}; }

namespace {

template <class Call>
Decoded DecodeWith(const Bytes& bytes, UINT start, Call call) {
    Decoded d;
    SourceHandle source = OpenMemorySource(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!source) {
        d.err = GetLastErrorCode();
        return d;
    }
    if (start) SeekStream(source, static_cast<LONG>(start), 0);
    d.buffer = Owned(call(source, d));
    d.err = GetLastErrorCode();
    CloseSource(source);
    return d;
}

template <class Call>
Bytes EncodeWith(UINT capacity, int* err, Call call) {
    Bytes out(capacity);
    SinkHandle sink = OpenMemorySink(out.data(), capacity);
    const UINT n = call(sink);
    if (err) *err = GetLastErrorCode();
    const UINT size = CloseSink(sink);
    if (n == 0) return {};
    out.resize(size);
    return out;
}

}  // namespace

Decoded Decode(RgbReader reader, const Bytes& bytes, UINT start) {
    return DecodeWith(bytes, start, [&](SourceHandle s, Decoded& d) { return reader(s, &d.w, &d.h); });
}

Decoded Decode(PaletteReader reader, const Bytes& bytes, UINT start) {
    return DecodeWith(bytes, start, [&](SourceHandle s, Decoded& d) { return reader(s, &d.w, &d.h, d.palette); });
}

Bytes Encode(RgbWriter writer, const BYTE* rgb, UINT w, UINT h, int* err, UINT capacity) {
    return EncodeWith(capacity, err, [&](SinkHandle sink) { return writer(sink, rgb, w, h); });
}

Bytes Encode(PaletteWriter writer, const BYTE* pixels, UINT w, UINT h, const RGBQUAD* palette, int* err,
             UINT capacity) {
    return EncodeWith(capacity, err, [&](SinkHandle sink) { return writer(sink, pixels, w, h, palette); });
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pxtest-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const char* dir = mkdtemp(buf.data());
    m_dir = dir ? dir : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (m_dir != "/tmp") std::filesystem::remove_all(m_dir, ec);
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool Run(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()) == 0; }

namespace {

// The next whitespace-separated number of a PNM header, skipping comments.
bool PnmNumber(const Bytes& b, size_t& i, UINT& v) {
    for (;;) {
        while (i < b.size() && std::isspace(b[i])) ++i;
        if (i < b.size() && b[i] == '#') {
            while (i < b.size() && b[i] != '\n') ++i;
            continue;
        }
        break;
    }
    if (i >= b.size() || !std::isdigit(b[i])) return false;
    v = 0;
    while (i < b.size() && std::isdigit(b[i])) v = v * 10 + (b[i++] - '0');
    return true;
}

}  // namespace

bool ParsePnm(const Bytes& b, Image& image) {
    if (b.size() < 2 || b[0] != 'P' || (b[1] != '5' && b[1] != '6')) return false;
    const bool bColour = b[1] == '6';
    size_t i = 2;
    UINT w = 0, h = 0, maxval = 0;
    if (!PnmNumber(b, i, w) || !PnmNumber(b, i, h) || !PnmNumber(b, i, maxval) || maxval != 255) return false;
    ++i;  // the single whitespace after maxval
    const size_t n = size_t{w} * h * (bColour ? 3 : 1);
    if (b.size() < i + n) return false;
    image.w = w;
    image.h = h;
    image.rgb.resize(size_t{w} * h * 3);
    for (size_t p = 0; p < size_t{w} * h; ++p) {
        if (bColour) {
            std::memcpy(&image.rgb[3 * p], &b[i + 3 * p], 3);
        } else {
            image.rgb[3 * p] = image.rgb[3 * p + 1] = image.rgb[3 * p + 2] = b[i + p];
        }
    }
    return true;
}

Bytes MakePpm(const Image& image) {
    const std::string head = "P6\n" + std::to_string(image.w) + " " + std::to_string(image.h) + "\n255\n";
    Bytes out(head.begin(), head.end());
    out.insert(out.end(), image.rgb.begin(), image.rgb.end());
    return out;
}

bool ToolImage(const std::string& command, Image& image) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    Bytes out;
    BYTE chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
    const int status = pclose(pipe);
    return status == 0 && ParsePnm(out, image);
}

Bytes MakeWithTool(const TempDir& dir, const Image& picture, const std::string& tool, const std::string& name) {
    WriteFileBytes(dir.Path("in.ppm"), MakePpm(picture));
    const std::string out = dir.Path(name);
    if (!Run(tool + " " + dir.Path("in.ppm") + " > " + out)) return {};
    return ReadFileBytes(out);
}

bool ReadWithTool(const TempDir& dir, const Bytes& file, const std::string& reader, Image& image) {
    const std::string path = dir.Path("readback.bin");
    WriteFileBytes(path, file);
    return ToolImage(reader + " " + path, image);
}

Image Pattern(UINT w, UINT h, uint32_t seed) {
    Image image{w, h, Bytes(size_t{w} * h * 3)};
    uint32_t s = seed;
    for (UINT y = 0; y < h; ++y) {
        for (UINT x = 0; x < w; ++x) {
            s = s * 1664525u + 1013904223u;
            BYTE* p = &image.rgb[(size_t{y} * w + x) * 3];
            p[0] = static_cast<BYTE>(x * 255 / (w > 1 ? w - 1 : 1));
            p[1] = static_cast<BYTE>(y * 255 / (h > 1 ? h - 1 : 1));
            p[2] = static_cast<BYTE>(((x / 3 + y / 2) & 1) ? (s >> 24) : 0x80);
        }
    }
    return image;
}

Image PalettePattern(UINT w, UINT h, UINT colors, uint32_t seed) {
    Image image{w, h, Bytes(size_t{w} * h * 3)};
    uint32_t s = seed;
    for (size_t p = 0; p < size_t{w} * h; ++p) {
        s = s * 1664525u + 1013904223u;
        const UINT c = (s >> 16) % colors;
        image.rgb[3 * p] = static_cast<BYTE>(c * 37);
        image.rgb[3 * p + 1] = static_cast<BYTE>(255 - c * 11);
        image.rgb[3 * p + 2] = static_cast<BYTE>(c * 97 + 5);
    }
    return image;
}

}  // namespace pxtest
