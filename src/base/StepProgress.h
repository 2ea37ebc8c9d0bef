#pragma once

#include <functional>

// A long step tells how far it is: `done` of about `total`, and whether it still reads rows that the
// window also shows (while it does, the window waits at each call). The answer false stops the step.
using StepProgress = std::function<bool(int done, int total, bool readingRows)>;

// Runs a long step and answers what the step answered, false when it was stopped. A window runs it
// on a thread of its own behind a progress dialog; without a runner a step runs here and now.
using StepRunner = std::function<bool(const std::function<bool(const StepProgress &)> &step)>;

inline bool runStep(const StepRunner &runner, const std::function<bool(const StepProgress &)> &step)
{
    if (runner)
        return runner(step);
    return step([](int, int, bool) { return true; });
}
