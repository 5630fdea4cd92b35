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


Decoded Decode(RgbReader reader, const Bytes& bytes, UINT start) {
    return DecodeBy(bytes, [&](SourceHandle s, Decoded& d) { return reader(s, &d.w, &d.h); }, start);
}

Decoded Decode(PaletteReader reader, const Bytes& bytes, UINT start) {
    return DecodeBy(bytes, [&](SourceHandle s, Decoded& d) { return reader(s, &d.w, &d.h, d.palette); }, start);
}

Bytes Encode(RgbWriter writer, const BYTE* rgb, UINT w, UINT h, int* err, UINT capacity) {
    return EncodeBy(capacity, err, [&](SinkHandle sink) { return writer(sink, rgb, w, h); });
}

Bytes Encode(PaletteWriter writer, const BYTE* pixels, UINT w, UINT h, const RGBQUAD* palette, int* err,
             UINT capacity) {
    return EncodeBy(capacity, err, [&](SinkHandle sink) { return writer(sink, pixels, w, h, palette); });
}

SourceHandle OpenEmptySource(bool bSeekWorks) {
    return OpenCallbackSource(
        [](DWORD_PTR) -> BOOL { return TRUE; }, [](void*, UINT, DWORD_PTR) -> UINT { return 0; },
        bSeekWorks ? StreamSeekProc([](LONG, int, DWORD_PTR) -> BOOL { return TRUE; })
                   : StreamSeekProc([](LONG, int, DWORD_PTR) -> BOOL { return FALSE; }),
        [](DWORD_PTR) -> UINT { return 0; }, [](DWORD_PTR) -> UINT { return 0; }, [](DWORD_PTR) -> BOOL { return TRUE; },
        [](DWORD_PTR) -> BOOL { return TRUE; }, 0);
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

namespace {

// The next token of a P7 header line.
bool PamField(const Bytes& b, size_t& i, std::string& key, std::string& value) {
    while (i < b.size()) {
        size_t end = i;
        while (end < b.size() && b[end] != '\n') ++end;
        std::string line(b.begin() + static_cast<std::ptrdiff_t>(i), b.begin() + static_cast<std::ptrdiff_t>(end));
        i = end + 1;
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.find(' ');
        key = line.substr(0, space);
        value = space == std::string::npos ? "" : line.substr(space + 1);
        return true;
    }
    return false;
}

bool PipeOutput(const std::string& command, Bytes& out) {
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return false;
    BYTE chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof(chunk), pipe)) > 0) out.insert(out.end(), chunk, chunk + n);
    return pclose(pipe) == 0;
}

}  // namespace

bool ParseNetpbm(const Bytes& b, Samples& s) {
    if (b.size() < 2 || b[0] != 'P') return false;
    size_t i = 2;
    UINT w = 0, h = 0, maxval = 0, channels = 0;
    if (b[1] == '5' || b[1] == '6') {
        channels = b[1] == '5' ? 1 : 3;
        if (!PnmNumber(b, i, w) || !PnmNumber(b, i, h) || !PnmNumber(b, i, maxval)) return false;
        ++i;
    } else if (b[1] == '7') {
        std::string key, value;
        ++i;
        while (PamField(b, i, key, value) && key != "ENDHDR") {
            if (key == "WIDTH") w = static_cast<UINT>(std::stoul(value));
            if (key == "HEIGHT") h = static_cast<UINT>(std::stoul(value));
            if (key == "DEPTH") channels = static_cast<UINT>(std::stoul(value));
            if (key == "MAXVAL") maxval = static_cast<UINT>(std::stoul(value));
        }
        if (key != "ENDHDR") return false;
    } else {
        return false;
    }
    if (maxval == 0 || maxval > 65535 || channels == 0) return false;
    const size_t bytesPer = maxval > 255 ? 2 : 1;
    const size_t n = size_t{w} * h * channels;
    if (b.size() < i + n * bytesPer) return false;
    s.w = w;
    s.h = h;
    s.channels = channels;
    s.maxval = maxval;
    s.v.resize(n);
    for (size_t k = 0; k < n; ++k)
        s.v[k] = bytesPer == 2 ? (uint32_t{b[i + 2 * k]} << 8) | b[i + 2 * k + 1] : b[i + k];
    return true;
}

Bytes MakeNetpbm(const Samples& s) {
    std::string head;
    if (s.channels == 1 || s.channels == 3) {
        head = std::string(s.channels == 1 ? "P5" : "P6") + "\n" + std::to_string(s.w) + " " + std::to_string(s.h) +
               "\n" + std::to_string(s.maxval) + "\n";
    } else {
        head = "P7\nWIDTH " + std::to_string(s.w) + "\nHEIGHT " + std::to_string(s.h) + "\nDEPTH " +
               std::to_string(s.channels) + "\nMAXVAL " + std::to_string(s.maxval) + "\nTUPLTYPE " +
               (s.channels == 2 ? "GRAYSCALE_ALPHA" : "RGB_ALPHA") + "\nENDHDR\n";
    }
    Bytes out(head.begin(), head.end());
    for (uint32_t v : s.v) {
        if (s.maxval > 255) out.push_back(static_cast<BYTE>(v >> 8));
        out.push_back(static_cast<BYTE>(v));
    }
    return out;
}

bool ToolSamples(const std::string& command, Samples& samples) {
    Bytes out;
    return PipeOutput(command, out) && ParseNetpbm(out, samples);
}

Image ToImage(const Samples& s) {
    Image image{s.w, s.h, Bytes(size_t{s.w} * s.h * 3)};
    const bool bColour = s.channels >= 3;
    for (size_t p = 0; p < size_t{s.w} * s.h; ++p) {
        for (UINT c = 0; c < 3; ++c) {
            const uint32_t v = s.v[p * s.channels + (bColour ? c : 0)];
            image.rgb[3 * p + c] = static_cast<BYTE>((v * 255 + s.maxval / 2) / s.maxval);
        }
    }
    return image;
}

bool ToolImage(const std::string& command, Image& image) {
    Bytes out;
    return PipeOutput(command, out) && ParsePnm(out, image);
}

std::string Put(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    const std::string path = dir.Path(name);
    WriteFileBytes(path, bytes);
    return path;
}

Bytes CommandFile(const TempDir& dir, const std::string& command, const std::string& out) {
    const std::string path = dir.Path(out);
    std::filesystem::remove(path);
    if (!Run("cd " + dir.Path("") + " && (" + command + ") > " + path)) return {};
    return ReadFileBytes(path);
}

bool ReadSamplesWithTool(const TempDir& dir, const Bytes& file, const std::string& reader, Samples& samples) {
    return ToolSamples(reader + " " + Put(dir, "readback.bin", file), samples);
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
