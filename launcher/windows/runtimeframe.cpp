#include "launcher/runtimeframe.h"

#include <zlib.h>

// On Windows each run-time file travels as one gzip member (RFC 1952), made
// by "gzip -9 -n" at build time and unpacked by zlib, which the launcher
// links statically: its trailer states the file's size (modulo 4 GiB) and
// carries a CRC-32 of its bytes, and zlib compares both with what came out.
// The header is the plain one gzip -n writes (no name, comment or extra
// field), so nothing in it goes unchecked.

namespace {

constexpr std::size_t headerSize = 10;
constexpr std::size_t trailerSize = 8;

// Far above any carried file, and low enough that a damaged size cannot make
// the launcher ask for all the memory there is.
constexpr std::size_t largestFile = std::size_t(1) << 30;

unsigned byteAt(std::string_view frame, std::size_t index)
{
    return static_cast<unsigned char>(frame[index]);
}

} // namespace

std::optional<std::string_view> FrameUnpacker::unpack(std::string_view frame)
{
    if (frame.size() < headerSize + trailerSize || byteAt(frame, 0) != 0x1f ||
        byteAt(frame, 1) != 0x8b || byteAt(frame, 2) != Z_DEFLATED || byteAt(frame, 3) != 0)
        return std::nullopt;
    const std::size_t end = frame.size() - 4;
    const std::size_t size = byteAt(frame, end) | byteAt(frame, end + 1) << 8 |
                             byteAt(frame, end + 2) << 16 |
                             std::size_t(byteAt(frame, end + 3)) << 24;
    if (size > largestFile)
        return std::nullopt;
    if (size + 1 > m_capacity) {
        // Left uninitialised: decompression writes every byte that is used.
        // One byte more than stated, so that a frame holding more is noticed.
        m_buffer = std::make_unique_for_overwrite<char[]>(size + 1);
        m_capacity = size + 1;
    }

    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) // 16: gzip only
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(frame.data()));
    stream.avail_in = uInt(frame.size());
    stream.next_out = reinterpret_cast<Bytef *>(m_buffer.get());
    stream.avail_out = uInt(size + 1);
    // Z_STREAM_END only when the CRC-32 and the size in the trailer match.
    const int result = inflate(&stream, Z_FINISH);
    // One member and nothing after it: more would be bytes nobody checked.
    const bool whole = result == Z_STREAM_END && stream.avail_in == 0 && stream.total_out == size;
    inflateEnd(&stream);
    if (!whole)
        return std::nullopt;
    return std::string_view(m_buffer.get(), size);
}
