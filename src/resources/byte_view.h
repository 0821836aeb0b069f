// Bounds-checked little-endian reads over a file held in memory.  Every read says
// whether the bytes were there, so a short or hostile file can never be read past.
#pragma once

#include <cstddef>
#include <cstdint>

class ByteView {
public:
    ByteView(const std::uint8_t* data, std::size_t size) : bytes(data), length(size) {}

    std::size_t size() const { return length; }
    const std::uint8_t* data() const { return bytes; }

    // True when [offset, offset + count) lies inside the data (no overflow on huge values).
    bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= length && count <= length - offset;
    }
    bool u8(std::uint64_t offset, std::uint8_t& out) const {
        if (!has(offset, 1)) return false;
        out = bytes[offset];
        return true;
    }
    bool u16(std::uint64_t offset, std::uint16_t& out) const {
        if (!has(offset, 2)) return false;
        out = static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
        return true;
    }
    bool u32(std::uint64_t offset, std::uint32_t& out) const {
        if (!has(offset, 4)) return false;
        out = static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
              (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
              (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
        return true;
    }
    bool i32(std::uint64_t offset, std::int32_t& out) const {
        std::uint32_t u;
        if (!u32(offset, u)) return false;
        out = static_cast<std::int32_t>(u);  // two's complement, well defined since C++20
        return true;
    }

private:
    const std::uint8_t* bytes;
    std::size_t length;
};
