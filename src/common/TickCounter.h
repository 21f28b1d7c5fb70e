#pragma once

#include <QtGlobal>

namespace tovik {

// The platform's millisecond tick count, cut to 32 bits like the counter the timing lines have
// always used.
quint32 systemTickCount();

// Milliseconds from start to now; unsigned arithmetic makes a wrap of the counter between the two
// harmless.
constexpr quint32 elapsedMs(quint32 start, quint32 now)
{
    return now - start;
}

} // namespace tovik
