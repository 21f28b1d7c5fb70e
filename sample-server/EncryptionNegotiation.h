#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tovik::sampleserver {

// What a connection encrypts. Refused: the PRELOGIN answer is the last message.
enum class EncryptionMode { None, LoginOnly, Full, Strict, Refused };

// The ENCRYPTION option of the PRELOGIN exchange: the server's answer to what the client offers,
// and what the connection encrypts after it.
class EncryptionNegotiation
{
public:
    enum class ServerSetting { Unavailable, Available, Required };
    struct Outcome
    {
        std::uint8_t reply;
        EncryptionMode mode;
    };

    // The client's value; none when its PRELOGIN has no ENCRYPTION option.
    static Outcome answer(std::optional<std::uint8_t> client, ServerSetting server);
    // Strict connections are encrypted before the PRELOGIN: nothing is left to agree on.
    static Outcome strict();
    // "none", "login only", "full", "strict", "refused".
    static std::string name(EncryptionMode mode);
};

} // namespace tovik::sampleserver
