// The program's entry point on Windows, in the Lumidraft::main library in place of app/main.cpp:
// WinMain hands its four arguments to the portable entry sequence (record, normal priority,
// start-up, launch, the two error handlers) and returns 0. Dependencies: kernel32.
#include "app/entry.h"
#include "platform/script/script_backend.h"
#include "platform/win32/win32_system.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand)
{
    Lumidraft::EntryArguments arguments;
    arguments.instance = instance;
    arguments.previousInstance = previousInstance;
    arguments.commandLine = commandLine;
    arguments.showCommand = showCommand;
    try {
        return Lumidraft::programMain(arguments);
    } catch (const Lumidraft::platform::ScriptedExit& exit) {
        // The script backend's stand-in for ending the process, when it is chosen explicitly.
        return exit.code;
    }
}
