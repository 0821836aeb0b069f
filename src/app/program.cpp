#include "app/program.h"

#include "app/demo.h"
#include "app/window.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "scenes/first_scene.h"

int runProgram(const ProgramOptions& options) {
    // Lives until the process ends, like everything it owns.
    theDemo = new Demo;
    windowState().instance = platform::moduleInstance();

    if (!openWindow("Marn", 640, 480, 32, options.fullscreen)) {
        platform::showMessage("No se pudo crear la ventana.", "Marn", platform::MessageIcon::None);
        return 0;
    }
    theDemo->display->init();

    theDemo->music->installFileCallbacks();
    theDemo->music->load("sound\\velastr.xm");
    if (options.startSong)
        options.startSong(*theDemo->music);
    else
        theDemo->music->play();

    if (Scene* first = makeFirstScene()) theDemo->setPendingScene(first);
    theDemo->timer->start();
    if (options.runLoop)
        options.runLoop();
    else
        runMessageLoop();
    closeWindow();
    return 0;
}
