// Deferred calls on the GUI thread for the component's synchronous mode,
// backed by single-shot Qt timers.
#pragma once

#include <QObject>

#include "scheduler.h"

namespace vidmorph {

// Calls still pending when the scheduler goes are dropped.
class TQtScheduler final : public IScheduler {
public:
    void CallLater(int milliseconds, std::function<void()> call) override;

private:
    QObject context_;  // the timers' context: they die with it
};

}  // namespace vidmorph
