// The program's entry point, in the Lumidraft::main library: an experiment links it and defines
// experimentMain.
#include "app/entry.h"
#include "platform/script/script_backend.h"

int main(int argc, char** argv)
{
    try {
        return Lumidraft::programMain(argc, argv);
    } catch (const Lumidraft::platform::ScriptedExit& exit) {
        // The script backend's stand-in for ending the process (closing the window, Alt+F4).
        return exit.code;
    }
}
