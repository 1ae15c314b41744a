// The program's windows, created in start-up order.
#pragma once

#include <memory>

#include "app_services.h"

namespace vidmorph {

class TForm1;

// The main window (whose creation checks the codec libraries), the About
// window, then the Additional Options dialog, which loads the settings into
// the main window. nullptr when the library check failed: its message has
// been shown and the program is to end. The window is not shown yet.
std::unique_ptr<TForm1> CreateForms(const TAppServices& AServices);

}  // namespace vidmorph
