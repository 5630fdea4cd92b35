// Helpers of the image-library tests: owned library buffers, sources over bytes, files in a temporary
// folder, the netpbm / ImageMagick tools that make inputs and read back outputs, and PNM parsing.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pixmill/pixmill.h"

namespace pxtest {

using Bytes = std::vector<BYTE>;

// A buffer the library returned, freed with GlobalFree.
class Owned {
public:
    Owned() = default;
    explicit Owned(BYTE* p) : m_p(p) {}
    ~Owned() { GlobalFree(m_p); }
    Owned(Owned&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o) {
            GlobalFree(m_p);
            m_p = o.m_p;
            o.m_p = nullptr;
        }
        return *this;
    }
    BYTE* get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    BYTE* m_p = nullptr;
};

// An RGB image as the tests compare it.
struct Image {
    UINT w = 0;
    UINT h = 0;
    Bytes rgb;  // w x h x 3, top row first
    bool operator==(const Image&) const = default;
};

// What a reader gave back.
struct Decoded {
    Owned buffer;
    UINT w = 0;
    UINT h = 0;
    int err = -1;
    RGBQUAD palette[256] = {};
    // The buffer as an image of n bytes per pixel (empty when there is none).
    Bytes Pixels(size_t n) const;
    Image AsImage() const;
};

using RgbReader = BYTE* (*)(SourceHandle, UINT*, UINT*);
using PaletteReader = BYTE* (*)(SourceHandle, UINT*, UINT*, RGBQUAD*);
using RgbWriter = UINT (*)(SinkHandle, const BYTE*, UINT, UINT);
using PaletteWriter = UINT (*)(SinkHandle, const BYTE*, UINT, UINT, const RGBQUAD*);

// Runs `call(source, decoded)` (which returns the buffer and may set w, h and the palette) on a memory
// source over the bytes, from position `start`; the last error goes to err.
template <class Call>
Decoded DecodeBy(const Bytes& bytes, Call call, UINT start = 0) {
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

// Runs `call(sink)` (a writer, returning its result) on a memory sink of `capacity` bytes: the bytes
// written (empty when the writer returned 0); the last error goes to *err.
template <class Call>
Bytes EncodeBy(UINT capacity, int* err, Call call) {
    Bytes out(capacity);
    SinkHandle sink = OpenMemorySink(out.data(), capacity);
    const UINT n = call(sink);
    if (err) *err = GetLastErrorCode();
    const UINT size = CloseSink(sink);
    if (n == 0) return {};
    out.resize(size);
    return out;
}

// Runs a reader on a memory source over the bytes (starting at `start`), closing the source after.
Decoded Decode(RgbReader reader, const Bytes& bytes, UINT start = 0);
Decoded Decode(PaletteReader reader, const Bytes& bytes, UINT start = 0);

// Runs a writer into a memory sink of `capacity` bytes: the bytes written (empty on failure); the last
// error goes to *err.
Bytes Encode(RgbWriter writer, const BYTE* rgb, UINT w, UINT h, int* err = nullptr, UINT capacity = 1u << 22);
Bytes Encode(PaletteWriter writer, const BYTE* pixels, UINT w, UINT h, const RGBQUAD* palette, int* err = nullptr,
             UINT capacity = 1u << 22);

// A callback source that holds no data; its seeks succeed when bSeekWorks, else they fail.
SourceHandle OpenEmptySource(bool bSeekWorks);

// A temporary folder for one test, removed with its files when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

private:
    std::string m_dir;
};

Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);
// Runs a shell command; true when it exits with 0. stderr is discarded.
bool Run(const std::string& command);

// PNM (P5 grey, P6 colour, maxval 255) to and from an RGB image; grey becomes r = g = b.
bool ParsePnm(const Bytes& bytes, Image& image);
Bytes MakePpm(const Image& image);
// A Netpbm image of any maxval (up to 65535) and any number of channels (P5 1, P6 3, P7 its DEPTH).
struct Samples {
    UINT w = 0;
    UINT h = 0;
    UINT channels = 0;
    UINT maxval = 0;
    std::vector<uint32_t> v;  // w x h x channels, top row first
    uint32_t At(UINT x, UINT y, UINT c) const { return v[(size_t{y} * w + x) * channels + c]; }
};
bool ParseNetpbm(const Bytes& bytes, Samples& samples);
// P5 (1 channel), P6 (3) or P7 (other counts; TUPLTYPE GRAYSCALE_ALPHA or RGB_ALPHA) of the samples.
Bytes MakeNetpbm(const Samples& samples);
// Runs `command` (which must write a Netpbm image to stdout) and parses its output.
bool ToolSamples(const std::string& command, Samples& samples);
// The samples as an 8-bit RGB image: each sample scaled to 0..255 (v x 255 / maxval, rounded), grey
// copied to red, green and blue, an alpha channel dropped.
Image ToImage(const Samples& samples);

// Runs `command` (which must write a PNM to stdout) and parses its output.
bool ToolImage(const std::string& command, Image& image);

// Writes the bytes into the folder as `name` and returns the file's path.
std::string Put(const TempDir& dir, const std::string& name, const Bytes& bytes);
// Runs `command > out` in the folder's shell (out a file there) and returns the file (empty when the
// command failed).
Bytes CommandFile(const TempDir& dir, const std::string& command, const std::string& out = "out.bin");
// Writes the file into the folder and parses what `reader file` (a tool that writes Netpbm) gives.
bool ReadSamplesWithTool(const TempDir& dir, const Bytes& file, const std::string& reader, Samples& samples);

// Writes the picture as in.ppm in the folder, runs `tool in.ppm > name` there and returns the file.
Bytes MakeWithTool(const TempDir& dir, const Image& picture, const std::string& tool, const std::string& name);
// Writes the file into the folder and reads it back with `reader file` (a tool that writes a PNM).
bool ReadWithTool(const TempDir& dir, const Bytes& file, const std::string& reader, Image& image);

// A test with a temporary folder, where the tools make inputs and read outputs back.
class ToolTest : public ::testing::Test {
protected:
    TempDir m_dir;
    // The file `tool in.ppm` writes for the picture (the test fails when the tool does).
    Bytes Make(const Image& picture, const std::string& tool) {
        Bytes file = MakeWithTool(m_dir, picture, tool, "made.bin");
        EXPECT_FALSE(file.empty()) << tool;
        return file;
    }
    // The image `reader file` (a tool that writes a PNM) reads from the file.
    Image ReadBack(const Bytes& file, const std::string& reader) {
        Image image;
        EXPECT_TRUE(ReadWithTool(m_dir, file, reader, image)) << reader;
        return image;
    }
    // The same for a tool that writes any Netpbm image.
    Samples ReadSamples(const Bytes& file, const std::string& reader) {
        Samples samples;
        EXPECT_TRUE(ReadSamplesWithTool(m_dir, file, reader, samples)) << reader;
        return samples;
    }
    // The file that `command > out` writes (the test fails when the command does).
    Bytes Command(const std::string& command) {
        Bytes file = CommandFile(m_dir, command);
        EXPECT_FALSE(file.empty()) << command;
        return file;
    }
    std::string Put(const std::string& name, const Bytes& bytes) { return pxtest::Put(m_dir, name, bytes); }
    std::string Put(const std::string& name, const Samples& samples) { return Put(name, MakeNetpbm(samples)); }
};

// A deterministic test picture with gradients, edges and noise.
Image Pattern(UINT w, UINT h, uint32_t seed = 1);
// The same picture limited to `colors` colours (a fixed palette), for palette formats.
Image PalettePattern(UINT w, UINT h, UINT colors, uint32_t seed = 1);

}  // namespace pxtest
