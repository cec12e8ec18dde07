// programMain: what the program's entry point does (the Windows WinMain sequence, portable):
// record the arguments, normal priority, start-up, launch, and one box for any framework error.
#pragma once

namespace Lumidraft {

// Returns 0 in every case it returns, except in a scripted run (LUMIDRAFT_SCRIPT), which returns
// 0 when the experiment returns, 1 after an error, 3 at the script's end, 2 when the script or
// the LUMIDRAFT_* settings are refused before start-up. Exception and plain-text (const char*) errors are shown in
// a box captioned "Lumidraft Notification" (text also on stderr); anything else passes through.
int programMain(int argc, char** argv);

// The same with the four arguments Windows hands WinMain, stored as they come.
struct EntryArguments {
    void* instance = nullptr;
    void* previousInstance = nullptr;
    const char* commandLine = nullptr;
    int showCommand = 10; // SW_SHOWDEFAULT
};
int programMain(const EntryArguments& arguments);

// The box of the entry point. If no backend can be had, the text goes to stderr alone.
void showNotification(const char* text);

} // namespace Lumidraft
