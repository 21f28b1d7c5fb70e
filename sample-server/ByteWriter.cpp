#include "ByteWriter.h"

#include <algorithm>

namespace tovik::sampleserver {

void ByteWriter::u16le(std::uint16_t value)
{
    u8(static_cast<std::uint8_t>(value));
    u8(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::u16be(std::uint16_t value)
{
    u8(static_cast<std::uint8_t>(value >> 8));
    u8(static_cast<std::uint8_t>(value));
}

void ByteWriter::u32le(std::uint32_t value)
{
    u16le(static_cast<std::uint16_t>(value));
    u16le(static_cast<std::uint16_t>(value >> 16));
}

void ByteWriter::u32be(std::uint32_t value)
{
    u16be(static_cast<std::uint16_t>(value >> 16));
    u16be(static_cast<std::uint16_t>(value));
}

void ByteWriter::u64le(std::uint64_t value)
{
    u32le(static_cast<std::uint32_t>(value));
    u32le(static_cast<std::uint32_t>(value >> 32));
}

void ByteWriter::bytes(ByteView data)
{
    m_data.insert(m_data.end(), data.begin(), data.end());
}

void ByteWriter::utf16(std::u16string_view text)
{
    for (char16_t unit : text)
        u16le(static_cast<std::uint16_t>(unit));
}

void ByteWriter::bVarChar(std::u16string_view text)
{
    const auto length = std::min<std::size_t>(text.size(), 255);
    u8(static_cast<std::uint8_t>(length));
    utf16(text.substr(0, length));
}

void ByteWriter::usVarChar(std::u16string_view text)
{
    const auto length = std::min<std::size_t>(text.size(), 65535);
    u16le(static_cast<std::uint16_t>(length));
    utf16(text.substr(0, length));
}

void ByteWriter::patchU16le(std::size_t position, std::uint16_t value)
{
    m_data.at(position) = static_cast<std::uint8_t>(value);
    m_data.at(position + 1) = static_cast<std::uint8_t>(value >> 8);
}

void ByteWriter::eraseFront(std::size_t count)
{
    m_data.erase(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(count));
}

} // namespace tovik::sampleserver
