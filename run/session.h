// A run of the program as the environment sets it up: an ordinary run, a scripted run on the
// script backend (LUMIDRAFT_SCRIPT), or an observer's run that is recorded (LUMIDRAFT_RECORD).
// The entry point makes one Session around start-up, launch and its error handlers.
#pragma once

#include <memory>
#include <string>

namespace Lumidraft {
class Canvas;
}

namespace Lumidraft::run {

// The run's LUMIDRAFT_* settings, read from the environment in one place.
struct Settings {
    std::string backend; // LUMIDRAFT_BACKEND ("" for the native one)
    std::string script;  // LUMIDRAFT_SCRIPT
    std::string record;  // LUMIDRAFT_RECORD
};
Settings readEnvironment();

// The exit status of a run that is refused before the experiment starts.
inline constexpr int refusedStatus = 2;
// The exit status when a script's end is reached.
inline constexpr int endedStatus = 3;

class Session {
public:
    Session();
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Checks the settings and prepares the run: loads and checks the script and installs a script
    // backend set up from it, or puts the recorder in front of the real backend. false when the
    // run is refused; the reason, naming the variable or the script's line, is then on stderr.
    bool start(const Settings& settings);
    bool scripted() const;
    // After the framework's start-up, before launch: the run's random seed (the script's, or the
    // recorded one), so a replay draws the same numbers.
    void afterStartup();
    // Ends the run with the status the program reached (0 returned, 1 error, or an exit code):
    // writes the recording, reports a scripted run on stderr, and returns the process's exit
    // status: that status for a scripted run, 0 otherwise (the desktop contract).
    int finish(int status);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Called by the flip after every swap; does nothing unless a scripted or recorded run is on.
void afterFlip(Canvas& canvas);

} // namespace Lumidraft::run
