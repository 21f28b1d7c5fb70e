#pragma once

#include "Bytes.h"

#include <optional>

namespace tovik::sampleserver {

// Bounds-checked reading of request bytes: every read past the end yields nothing, so that a
// malformed request can never read outside its buffer.
class ByteReader
{
public:
    explicit ByteReader(ByteView data)
        : m_data(data)
    {
    }

    std::optional<std::uint8_t> u8();
    std::optional<std::uint16_t> u16le();
    std::optional<std::uint16_t> u16be();
    std::optional<std::uint32_t> u32le();
    std::optional<std::uint64_t> u64le();
    std::optional<ByteView> bytes(std::size_t count);
    bool skip(std::size_t count);
    bool seek(std::size_t position);

    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_data.size() - m_position; }

private:
    ByteView m_data;
    std::size_t m_position = 0;
};

} // namespace tovik::sampleserver
