// Routing of the codec libraries' log output: the process-wide log callback
// keeps each thread's unfinished line and hands every finished line to the
// registered components, which give it to the task whose thread logged it.
#pragma once

#include <sys/types.h>

#include <cstdarg>
#include <list>
#include <memory>
#include <string>

namespace vidmorph {

class TCustomVexcoder;

struct TLogItem {
    pid_t ThreadId = 0;  // 0 = unused
    std::string Pending;
};

// Per-thread buffers of the unfinished last line.
class TLogList {
public:
    TLogItem& FindOrAdd(pid_t AThreadId);
    void Clear();
    std::size_t Count() const { return items_.size(); }

private:
    std::list<TLogItem> items_{TLogItem{}};  // the first item is always there
};

class TLogRouting {
public:
    // Registration of a live component; Unregister waits until no line is
    // being delivered to it.
    static void Register(TCustomVexcoder& AComponent);
    static void Unregister(TCustomVexcoder& AComponent);
    static void ClearLineBuffers();
    // The callback installed into the codec library. Never throws.
    static void LibraryLogCallback(void* AContext, int ALevel, const char* AFormat, va_list AArgs);
};

}  // namespace vidmorph
