#include "log_routing.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "log_levels.h"
#include "vexcoder.h"
#include "worker_thread.h"

namespace vidmorph {

// A registered component, kept alive while a line is delivered to it.
struct TCustomVexcoder::RegistryHandle {
    std::shared_mutex gate;  // shared while delivering, exclusive to retire
    TCustomVexcoder* component = nullptr;
    bool alive = true;
};

namespace {

struct Registry {
    std::mutex m;
    std::vector<std::shared_ptr<TCustomVexcoder::RegistryHandle>> components;  // in creation order
    TLogList lines;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

constexpr std::size_t kLineBuffer = 2048;

}  // namespace

TLogItem& TLogList::FindOrAdd(pid_t AThreadId) {
    TLogItem& first = items_.front();
    if (first.ThreadId == 0 || first.ThreadId == AThreadId) {
        first.ThreadId = AThreadId;
        return first;
    }
    for (TLogItem& item : items_)
        if (item.ThreadId == AThreadId) return item;
    return *items_.insert(std::next(items_.begin()), TLogItem{AThreadId, {}});
}

void TLogList::Clear() {
    items_.erase(std::next(items_.begin()), items_.end());
    items_.front() = TLogItem{};
}

void TLogRouting::Register(TCustomVexcoder& AComponent) {
    auto handle = std::make_shared<TCustomVexcoder::RegistryHandle>();
    handle->component = &AComponent;
    AComponent.registryHandle_ = handle;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.m);
    r.components.push_back(std::move(handle));
}

void TLogRouting::Unregister(TCustomVexcoder& AComponent) {
    const auto handle = AComponent.registryHandle_;
    if (!handle) return;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.m);
        std::erase(r.components, handle);
    }
    std::unique_lock retire(handle->gate);
    handle->alive = false;
}

void TLogRouting::ClearLineBuffers() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.m);
    r.lines.Clear();
}

void TLogRouting::LibraryLogCallback(void* AContext, int ALevel, const char* AFormat, va_list AArgs) {
    try {
        const int level = EngineLogLevel(ALevel);
        if (CachedLogLevel.load() < level) return;
        const pid_t thread = CurrentThreadId();
        std::vector<std::string> lines;
        std::vector<std::shared_ptr<TCustomVexcoder::RegistryHandle>> targets;
        {
            Registry& r = TheRegistry();
            std::lock_guard lock(r.m);
            TLogItem& item = r.lines.FindOrAdd(thread);
            if (item.Pending.size() >= kLineBuffer - 1) {
                // A line that filled the buffer without ending goes out as it is.
                lines.push_back(std::move(item.Pending));
                item.Pending.clear();
            }
            char buffer[kLineBuffer] = {};
            std::size_t used = 0;
            if (!item.Pending.empty()) {
                used = item.Pending.copy(buffer, kLineBuffer - 1);
            } else if (AContext && *static_cast<AVClass**>(AContext)) {
                const AVClass* cls = *static_cast<AVClass**>(AContext);
                const int n = std::snprintf(buffer, kLineBuffer, "[%s @ %08" PRIXPTR "]",
                                            cls->item_name ? cls->item_name(AContext) : "?",
                                            reinterpret_cast<uintptr_t>(cls));
                used = n > 0 ? std::min<std::size_t>(static_cast<std::size_t>(n), kLineBuffer - 1) : 0;
            }
            if (used < kLineBuffer - 1) {
                const int n = std::vsnprintf(buffer + used, kLineBuffer - used, AFormat, AArgs);
                // A message cut at the buffer's end keeps its line end.
                const std::size_t length = std::strlen(AFormat);
                if (n >= 0 && used + static_cast<std::size_t>(n) >= kLineBuffer - 1 && length > 0 &&
                    AFormat[length - 1] == '\n')
                    buffer[kLineBuffer - 2] = '\n';
            }
            std::string text(buffer);
            std::size_t start = 0;
            for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1)
                lines.push_back(text.substr(start, lf - start));
            item.Pending = text.substr(start);
            if (!lines.empty()) targets = r.components;
        }
        // Delivered without the registry lock, so that a component busy in an
        // event (holding its own lock) can itself log without a deadlock.
        for (const std::string& line : lines) {
            for (const auto& handle : targets) {
                std::shared_lock deliver(handle->gate);
                if (handle->alive) handle->component->DeliverLogLine(thread, level, line);
            }
        }
    } catch (...) {
        // Nothing may pass back through the codec library.
    }
}

}  // namespace vidmorph
