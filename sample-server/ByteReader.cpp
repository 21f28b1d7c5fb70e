#include "ByteReader.h"

namespace tovik::sampleserver {

std::optional<std::uint8_t> ByteReader::u8()
{
    if (remaining() < 1)
        return std::nullopt;
    return m_data[m_position++];
}

std::optional<std::uint16_t> ByteReader::u16le()
{
    const auto view = bytes(2);
    if (!view)
        return std::nullopt;
    return static_cast<std::uint16_t>((*view)[0] | ((*view)[1] << 8));
}

std::optional<std::uint16_t> ByteReader::u16be()
{
    const auto view = bytes(2);
    if (!view)
        return std::nullopt;
    return static_cast<std::uint16_t>(((*view)[0] << 8) | (*view)[1]);
}

std::optional<std::uint32_t> ByteReader::u32le()
{
    const auto low = u16le();
    const auto high = u16le();
    if (!low || !high)
        return std::nullopt;
    return static_cast<std::uint32_t>(*low) | (static_cast<std::uint32_t>(*high) << 16);
}

std::optional<std::uint64_t> ByteReader::u64le()
{
    const auto low = u32le();
    const auto high = u32le();
    if (!low || !high)
        return std::nullopt;
    return static_cast<std::uint64_t>(*low) | (static_cast<std::uint64_t>(*high) << 32);
}

std::optional<ByteView> ByteReader::bytes(std::size_t count)
{
    if (remaining() < count)
        return std::nullopt;
    const auto view = m_data.subspan(m_position, count);
    m_position += count;
    return view;
}

bool ByteReader::skip(std::size_t count)
{
    return bytes(count).has_value();
}

bool ByteReader::seek(std::size_t position)
{
    if (position > m_data.size())
        return false;
    m_position = position;
    return true;
}

} // namespace tovik::sampleserver
