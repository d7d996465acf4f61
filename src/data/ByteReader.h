#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace spawn {

// Little-endian values assembled from bytes, whatever the host's byte order.
inline std::uint32_t readU32Le(std::span<const std::uint8_t, 4> b) {
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline std::int32_t readI32Le(std::span<const std::uint8_t, 4> b) {
    return static_cast<std::int32_t>(readU32Le(b));
}

// Precondition: offset + 4 <= bytes.size().
inline std::int32_t readI32At(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return readI32Le(bytes.subspan(offset).first<4>());
}

inline void appendI32Le(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((u >> shift) & 0xFFu));
    }
}

// Precondition: offset + 4 <= bytes.size().
inline void writeI32At(std::span<std::uint8_t> bytes, std::size_t offset, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>((u >> (8 * i)) & 0xFFu);
    }
}

// A bounds-checked cursor over a byte buffer. Every read checks the position against the size;
// a read that does not fit returns nothing and leaves the position where it was.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::size_t position() const { return m_pos; }
    std::size_t size() const { return m_data.size(); }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos == m_data.size(); }

    std::optional<std::int32_t> readI32() {
        if (remaining() < 4) {
            return std::nullopt;
        }
        const std::int32_t v = readI32At(m_data, m_pos);
        m_pos += 4;
        return v;
    }

    std::optional<std::uint32_t> readU32() {
        if (remaining() < 4) {
            return std::nullopt;
        }
        const std::uint32_t v = readU32Le(m_data.subspan(m_pos).first<4>());
        m_pos += 4;
        return v;
    }

    // The next `count` bytes without consuming them, or nothing when fewer remain.
    std::optional<std::span<const std::uint8_t>> peek(std::size_t count) const {
        if (remaining() < count) {
            return std::nullopt;
        }
        return m_data.subspan(m_pos, count);
    }

    std::optional<std::span<const std::uint8_t>> take(std::size_t count) {
        auto bytes = peek(count);
        if (bytes) {
            m_pos += count;
        }
        return bytes;
    }

    bool skip(std::size_t count) {
        if (remaining() < count) {
            return false;
        }
        m_pos += count;
        return true;
    }

    // Everything from the position to the end; the cursor ends at the end.
    std::span<const std::uint8_t> takeRest() {
        auto rest = m_data.subspan(m_pos);
        m_pos = m_data.size();
        return rest;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

} // namespace spawn
