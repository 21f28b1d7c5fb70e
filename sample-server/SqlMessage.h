#pragma once

#include <cstdint>
#include <string>

namespace tovik::sampleserver {

// An ERROR or INFO token's content, numbered and classed as SQL Server numbers its messages,
// so that clients react to our errors as to a production server's.
struct SqlMessage
{
    std::int32_t number = 0;
    std::uint8_t severity = 16;
    std::string text;
    std::uint8_t state = 1;
};

} // namespace tovik::sampleserver
