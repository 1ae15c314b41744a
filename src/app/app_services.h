// What the windows use of the desktop around them: modal dialogs, the default
// programs for documents and addresses, program launching and the preview
// player. The program passes the real ones; tests pass replacements, so no
// test ever waits on a modal window or starts another program.
#pragma once

#include <functional>
#include <memory>

class QWidget;

namespace vidmorph {

class IDialogs;
class IDesktop;
class IPreviewPlayer;

struct TAppServices {
    IDialogs& Dialogs;
    IDesktop& Desktop;
    // Creates the preview player; its picture goes into AVideoPanel.
    std::function<std::unique_ptr<IPreviewPlayer>(QWidget& AVideoPanel)> MakePreviewPlayer;
};

}  // namespace vidmorph
