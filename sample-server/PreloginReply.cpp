#include "PreloginReply.h"

#include <array>

namespace tovik::sampleserver {

namespace {

enum Option : std::uint8_t {
    Version = 0,
    Encryption = 1,
    InstanceOption = 2,
    ThreadId = 3,
    Mars = 4
};
constexpr std::uint8_t kTerminator = 0xFF;
constexpr std::size_t kOptionHeaderSize = 5;

} // namespace

void PreloginReply::write(ByteWriter &out, std::uint8_t encryption)
{
    struct Entry
    {
        Option option;
        Bytes data;
    };
    // Version 16.0.4000.0, as the LOGINACK names it.
    const std::array<Entry, 5> entries {{{Version, {16, 0, 0x0F, 0xA0, 0, 0}},
        {Encryption, {encryption}}, {InstanceOption, {0}}, {ThreadId, {}}, {Mars, {0}}}};
    std::size_t offset = entries.size() * kOptionHeaderSize + 1;
    for (const Entry &entry : entries) {
        out.u8(entry.option);
        out.u16be(static_cast<std::uint16_t>(offset));
        out.u16be(static_cast<std::uint16_t>(entry.data.size()));
        offset += entry.data.size();
    }
    out.u8(kTerminator);
    for (const Entry &entry : entries)
        out.bytes(entry.data);
}

} // namespace tovik::sampleserver
