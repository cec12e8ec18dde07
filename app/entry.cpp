#include "app/entry.h"

#include "app/exception.h"
#include "app/launch.h"
#include "app/startup.h"
#include "canvas/active_canvas.h"
#include "platform/application_properties.h"
#include "platform/backend.h"
#include "platform/input.h"
#include "platform/script/script_backend.h"
#include "run/session.h"

#include <iostream>
#include <string>

namespace Lumidraft {

namespace {

constexpr const char* caption = "Lumidraft Notification";
constexpr int showDefault = 10; // SW_SHOWDEFAULT: as the starting program asked

EntryArguments fromCommandLine(int argc, char** argv, std::string& commandLine)
{
    commandLine.clear();
    for (int i = 1; i < argc && argv; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i] ? argv[i] : "";
    }
    EntryArguments arguments;
    arguments.commandLine = commandLine.c_str();
    arguments.showCommand = showDefault;
    return arguments;
}

void recordArguments(const EntryArguments& arguments)
{
    APIApplicationProperties& application = applicationProperties();
    application.instance = arguments.instance;
    application.previousInstance = arguments.previousInstance;
    application.commandLine = arguments.commandLine ? arguments.commandLine : "";
    application.showCommand = arguments.showCommand;
    application.windowClassName = APIApplicationProperties::defaultWindowClassName;
}

} // namespace

void showNotification(const char* text)
{
    try {
        platform::backend().messageBox(text, caption);
    } catch (...) {
        // The backend itself is what failed (e.g. an unknown LUMIDRAFT_BACKEND): stderr is left.
        std::cerr << '[' << caption << "] " << text << std::endl;
    }
}

int programMain(int argc, char** argv)
{
    std::string commandLine;
    return programMain(fromCommandLine(argc, argv, commandLine));
}

int programMain(const EntryArguments& arguments)
{
    run::Session session;
    if (!session.start(run::readEnvironment()))
        return run::refusedStatus;
    int status = 0;
    try {
        recordArguments(arguments);
        platform::backend().setNormalPriority();
        initializeFramework();
        session.afterStartup();
        launch();
    } catch (const Exception& caught) {
        const Exception e = caught; // by value: the handler works on its own copy
        // An input error leaves the full-screen window up; take it down before the box. The
        // reference is null once that canvas is gone, so a destroyed canvas is never touched.
        if (e.raisingClass() == typeid(APIInputProperties)) {
            if (Canvas* current = ActiveCanvas::currentCanvas())
                current->dispose();
        }
        showNotification(e.displayText().c_str());
        status = 1;
    } catch (const char* text) {
        showNotification(text);
        status = 1;
    } catch (const platform::ScriptedExit& exit) {
        // The script backend's process exit: a scripted run reports it; otherwise the caller's.
        if (!session.scripted())
            throw;
        status = exit.code;
    }
    return session.finish(status);
}

} // namespace Lumidraft
