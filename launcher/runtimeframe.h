#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>

// Unpacks the frames of the carried run-time into one buffer, which grows to
// the largest file and is reused: the files are many and large, and each is
// written out before the next is unpacked. A frame is one compressed file that
// states its size and checksums its bytes: a zstd frame on Linux
// (unix/runtimeframe.cpp), a gzip member on Windows (windows/runtimeframe.cpp).
class FrameUnpacker
{
public:
    // The bytes frame holds, valid until the next call. Nothing when the frame
    // cannot vouch for them: it is damaged, does not state its size or carries
    // no checksum, or what comes out differs from what it states.
    std::optional<std::string_view> unpack(std::string_view frame);

private:
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity = 0;
};
