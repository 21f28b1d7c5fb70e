#pragma once

namespace tovik {

// Limits of one run that are not window settings. Tests shorten them.
struct RunSettings
{
    // A query that the server leaves unanswered this long fails the run.
    int queryTimeoutSeconds = 30;
    // False for a front-end without a window: the run log goes into the outcome only (no file,
    // no viewer), and the pauses that only let a window process its events are left out.
    bool showsWindow = true;
};

} // namespace tovik
