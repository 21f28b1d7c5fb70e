#pragma once

#include "Bytes.h"

namespace tovik::sampleserver {

enum class PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    BulkLoad = 0x07,
    FederatedAuthToken = 0x08,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    Sspi = 0x11,
    Prelogin = 0x12,
};

// One client request: the payloads of its packets joined, headers removed.
struct TdsMessage
{
    PacketType type = PacketType::SqlBatch;
    Bytes payload;
};

} // namespace tovik::sampleserver
