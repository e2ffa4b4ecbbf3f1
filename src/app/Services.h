#pragma once

#include <functional>

#include "errors/MessageService.h"
#include "settings/SettingsStore.h"
#include "shell/FileDialogService.h"
#include "shell/FileOpener.h"

namespace velloxa {

// Everything a window needs from outside the window system. The program passes the
// real services; the tests pass fakes that record and answer.
struct Services {
    MessageService& messages;
    FileDialogService& fileDialogs;
    FileOpener& fileOpener;
    SettingsStore& settings;
    // Ends the run. The program hides every window and leaves its event loop; tests record the call.
    std::function<void()> endProgram;
    // Ends the process at once, when a window closed during a database call that does not come
    // back (WindowWait.h). The program removes its temporary files and exits; tests fail loudly.
    std::function<void()> endProcessNow;
};

} // namespace velloxa
