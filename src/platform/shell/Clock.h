#pragma once

#include <QDateTime>

namespace tolvex::platform {

// The program's one view of the time, so that tests can fix it.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }

    static const Clock &instance();
    // For tests: the clock to use from now on (nullptr: the system's); not owned.
    static void setInstance(const Clock *clock);
};

} // namespace tolvex::platform
