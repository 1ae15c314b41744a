#include "gui_scheduler.h"

#include <QTimer>

namespace vidmorph {

void TQtScheduler::CallLater(int milliseconds, std::function<void()> call) {
    QTimer::singleShot(milliseconds, &context_, std::move(call));
}

}  // namespace vidmorph
