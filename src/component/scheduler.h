// Deferred calls on the owner's thread. The component runs its synchronous
// mode through it; the desktop app backs it with a Qt timer, tests with a
// manual event loop.
#pragma once

#include <functional>

namespace vidmorph {

class IScheduler {
public:
    virtual ~IScheduler() = default;
    // Runs `call` once, on the owner's thread, after `milliseconds`.
    virtual void CallLater(int milliseconds, std::function<void()> call) = 0;
};

}  // namespace vidmorph
