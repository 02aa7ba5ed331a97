#include "launcher/runtimeframe.h"

// The frame header's fields (its checksum flag) are zstd's advanced interface,
// offered to programs that link the library statically, as the launcher does.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

namespace {

// Far above any carried file, and low enough that a damaged size cannot make
// the launcher ask for all the memory there is.
constexpr unsigned long long largestFile = 1ull << 30;

} // namespace

std::optional<std::string_view> FrameUnpacker::unpack(std::string_view frame)
{
    ZSTD_frameHeader header{};
    if (ZSTD_getFrameHeader(&header, frame.data(), frame.size()) != 0 ||
        header.frameType != ZSTD_frame || header.frameContentSize > largestFile ||
        !header.checksumFlag)
        return std::nullopt;
    // One frame and nothing after it: more would be bytes nobody checked.
    if (ZSTD_findFrameCompressedSize(frame.data(), frame.size()) != frame.size())
        return std::nullopt;

    const auto size = std::size_t(header.frameContentSize);
    if (size > m_capacity) {
        // Left uninitialised: decompression writes every byte that is used.
        m_buffer = std::make_unique_for_overwrite<char[]>(size);
        m_capacity = size;
    }
    // Decompression compares the frame's checksum with what came out and
    // fails on a mismatch.
    const std::size_t produced = ZSTD_decompress(m_buffer.get(), size, frame.data(), frame.size());
    if (ZSTD_isError(produced) || produced != size)
        return std::nullopt;
    return std::string_view(m_buffer.get(), size);
}
