#include "EncryptionNegotiation.h"

namespace tovik::sampleserver {

namespace {

constexpr std::uint8_t kOff = 0x00;
constexpr std::uint8_t kOn = 0x01;
constexpr std::uint8_t kNotSupported = 0x02;
constexpr std::uint8_t kRequired = 0x03;

} // namespace

EncryptionNegotiation::Outcome EncryptionNegotiation::answer(
    std::optional<std::uint8_t> client, ServerSetting server)
{
    // OFF: "I can, the login at least"; ON (or REQ): "everything or nothing"; anything else,
    // or no option at all, cannot encrypt.
    const bool offersLogin = client == kOff;
    const bool demandsAll = client == kOn || client == kRequired;
    switch (server) {
    case ServerSetting::Unavailable:
        return {kNotSupported, demandsAll ? EncryptionMode::Refused : EncryptionMode::None};
    case ServerSetting::Available:
        if (offersLogin)
            return {kOff, EncryptionMode::LoginOnly};
        if (demandsAll)
            return {kOn, EncryptionMode::Full};
        return {kNotSupported, EncryptionMode::None};
    case ServerSetting::Required:
        if (demandsAll)
            return {kOn, EncryptionMode::Full};
        return {kRequired, offersLogin ? EncryptionMode::Full : EncryptionMode::Refused};
    }
    return {kNotSupported, EncryptionMode::None};
}

EncryptionNegotiation::Outcome EncryptionNegotiation::strict()
{
    return {kNotSupported, EncryptionMode::Strict};
}

std::string EncryptionNegotiation::name(EncryptionMode mode)
{
    switch (mode) {
    case EncryptionMode::None:
        return "none";
    case EncryptionMode::LoginOnly:
        return "login only";
    case EncryptionMode::Full:
        return "full";
    case EncryptionMode::Strict:
        return "strict";
    case EncryptionMode::Refused:
        return "refused";
    }
    return "none";
}

} // namespace tovik::sampleserver
