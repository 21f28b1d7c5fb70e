#pragma once

#include "Bytes.h"

#include <optional>
#include <string>
#include <string_view>

namespace tovik::sampleserver {

// TDS carries text as UTF-16LE while SQLite and the command line speak UTF-8.
class TextCodec
{
public:
    // Invalid UTF-8 sequences become U+FFFD, so that any SQLite text can be sent.
    static std::u16string toUtf16(std::string_view utf8);
    // Unpaired surrogates become U+FFFD.
    static std::string toUtf8(std::u16string_view utf16);
    // Nothing when the byte count is odd.
    static std::optional<std::u16string> fromUtf16Le(ByteView bytes);
    // Cuts to at most maxUnits code units without splitting a surrogate pair.
    static std::u16string_view truncated(std::u16string_view text, std::size_t maxUnits);
    static std::u16string fromAscii(std::string_view ascii);
    static std::string lowerAscii(std::string_view text);
    static bool equalsIgnoringCase(std::string_view a, std::string_view b);
    // A SQL string literal: in single quotes, each quote doubled.
    static std::string quoted(std::string_view text);
};

} // namespace tovik::sampleserver
