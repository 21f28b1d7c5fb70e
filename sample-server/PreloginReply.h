#pragma once

#include "ByteWriter.h"

namespace tovik::sampleserver {

// The server's PRELOGIN answer, with the ENCRYPTION value that EncryptionNegotiation chose.
class PreloginReply
{
public:
    static void write(ByteWriter &out, std::uint8_t encryption);
};

} // namespace tovik::sampleserver
