#pragma once

#include "ByteWriter.h"

namespace tovik::sampleserver {

// The server's PRELOGIN answer. It declares encryption as not supported: a client told "off"
// would still encrypt the login, and this server has no TLS.
class PreloginReply
{
public:
    static void write(ByteWriter &out);
};

} // namespace tovik::sampleserver
