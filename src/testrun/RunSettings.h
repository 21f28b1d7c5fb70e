#pragma once

namespace tovik {

// Limits of one run that are not window settings. Tests shorten them.
struct RunSettings
{
    // A query that the server leaves unanswered this long fails the run.
    int queryTimeoutSeconds = 30;
};

} // namespace tovik
