#pragma once

#include <QString>

namespace tovik {

// How long a connection waits, in seconds; 0 waits without limit.
struct ConnectionTimeouts
{
    // The login timeout the window offers, and the one a run takes when the box holds no usable
    // number.
    static constexpr int kDefaultLoginSeconds = 15;

    int loginSeconds = kDefaultLoginSeconds;
    // Applied to drivers that take it as a connection attribute or in the connection string.
    int querySeconds = 0;

    // The login timeout that a typed text asks for: the default for a text that is no number of
    // seconds from 0 on.
    static int loginSecondsOf(const QString &text);

    bool operator==(const ConnectionTimeouts &) const = default;
};

} // namespace tovik
