#pragma once

#include "Bytes.h"

#include <string_view>

namespace tovik::sampleserver {

// Appends TDS wire values to a growing buffer. TDS is little-endian except for the packet header
// and a few PRELOGIN and LOGINACK fields, hence the explicit byte order in every name.
class ByteWriter
{
public:
    void u8(std::uint8_t value) { m_data.push_back(value); }
    void u16le(std::uint16_t value);
    void u16be(std::uint16_t value);
    void u32le(std::uint32_t value);
    void u32be(std::uint32_t value);
    void u64le(std::uint64_t value);
    void bytes(ByteView data);
    // Room for count more bytes, to be written through the pointer before the next call.
    std::uint8_t *extend(std::size_t count)
    {
        const std::size_t size = m_data.size();
        m_data.resize(size + count);
        return m_data.data() + size;
    }
    void utf16(std::u16string_view text);
    // Length in characters as one byte; longer texts are cut at 255 characters.
    void bVarChar(std::u16string_view text);
    // Length in characters as two bytes; longer texts are cut at 65535 characters.
    void usVarChar(std::u16string_view text);
    void patchU16le(std::size_t position, std::uint16_t value);

    std::size_t size() const { return m_data.size(); }
    const Bytes &data() const { return m_data; }
    Bytes take() { return std::move(m_data); }
    void clear() { m_data.clear(); }
    void eraseFront(std::size_t count);

private:
    Bytes m_data;
};

} // namespace tovik::sampleserver
