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
    // True for a front-end that reads the caught devices from the outcome. Every node of every
    // report may be caught, and the window needs only their lines in the run log: a list of
    // them beside the log would be held to the run's end for nothing.
    bool listsCaughtDevices = false;
};

} // namespace tovik
