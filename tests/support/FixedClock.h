#pragma once

#include "shell/Clock.h"

#include <QDateTime>

namespace tolvex::test {

// The program's clock stopped at a time the test chooses.
class FixedClock : public platform::Clock
{
public:
    QDateTime time;
    QDateTime now() const override { return time; }
};

} // namespace tolvex::test
