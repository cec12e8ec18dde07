// Setting up scripted and recorded runs from the environment, and their end-of-run report.
#include "run/session.h"

#include "app/run_environment.h"
#include "platform/backend.h"
#include "platform/script/script_backend.h"
#include "run/player.h"
#include "run/recorder.h"
#include "run/run_script.h"
#include "timing/random.h"

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>

namespace Lumidraft::run {

namespace {

Player* activePlayer = nullptr;
RecordingBackend* activeRecorder = nullptr;

// The counter runs at 100 000 ticks a refresh, so refresh periods and times given in seconds at
// the display's rate fall on whole ticks.
constexpr std::int64_t ticksPerRefresh = 100'000;

} // namespace

Settings readEnvironment()
{
    return {environmentVariable("LUMIDRAFT_BACKEND"), environmentVariable("LUMIDRAFT_SCRIPT"),
            environmentVariable("LUMIDRAFT_RECORD")};
}

struct Session::State {
    std::optional<RunScript> script;
    Player* player = nullptr; // owned below, kept while the backend lives
    std::unique_ptr<Player> ownedPlayer;
    platform::ScriptBackend* machine = nullptr;
    RecordingBackend* recorder = nullptr;
};

Session::Session() : state_(std::make_unique<State>()) {}

Session::~Session()
{
    if (activePlayer == state_->player)
        activePlayer = nullptr;
    if (activeRecorder == state_->recorder)
        activeRecorder = nullptr;
}

bool Session::scripted() const { return state_->player != nullptr; }

bool Session::start(const Settings& settings)
{
    auto refuse = [](const std::string& reason) {
        std::cerr << "Lumidraft: " << reason << '\n';
        return false;
    };
    if (!settings.script.empty() && !settings.record.empty())
        return refuse("LUMIDRAFT_SCRIPT and LUMIDRAFT_RECORD are both set; a run is either scripted or recorded.");

    if (!settings.script.empty()) {
        if (settings.backend != "script")
            return refuse("LUMIDRAFT_SCRIPT is set, but a run script needs LUMIDRAFT_BACKEND=script (it is \"" +
                          settings.backend + "\").");
        try {
            state_->script = loadRunScript(settings.script);
        } catch (const ScriptError& error) {
            return refuse(error.what());
        }
        const RunScript& script = *state_->script;
        auto fresh = std::make_unique<platform::ScriptBackend>();
        platform::ScriptBackend& machine = *fresh;
        const platform::DisplayMode& display = script.display;
        machine.setDesktopMode(display);
        // The sizes and rate of the script's display, at the usual colour depths.
        machine.setDisplayModes({{display.width, display.height, 16, display.refreshHz},
                                 {display.width, display.height, 24, display.refreshHz},
                                 {display.width, display.height, 32, display.refreshHz}});
        machine.setCounterFrequency(display.refreshHz * ticksPerRefresh);
        machine.setRetraceRate(display.refreshHz);
        platform::useBackend(std::move(fresh));
        state_->machine = &machine;
        state_->ownedPlayer = std::make_unique<Player>(script, machine);
        state_->player = state_->ownedPlayer.get();
        activePlayer = state_->player;
        return true;
    }

    if (!settings.record.empty()) {
        if (settings.backend == "script")
            return refuse("LUMIDRAFT_RECORD records an observer on a real display; it cannot be used with "
                          "LUMIDRAFT_BACKEND=script.");
        std::unique_ptr<platform::Backend> real;
        try {
            real = platform::makeBackend(settings.backend);
        } catch (...) {
            return false; // the backend's own refusal is on stderr already
        }
        auto recorder = std::make_unique<RecordingBackend>(std::move(real), settings.record);
        if (!recorder->isOpen())
            return refuse("LUMIDRAFT_RECORD names \"" + settings.record + "\", which cannot be written.");
        state_->recorder = recorder.get();
        activeRecorder = state_->recorder;
        platform::useBackend(std::move(recorder));
    }
    return true;
}

void Session::afterStartup()
{
    if (state_->player) {
        seedRandom(static_cast<int>(state_->script->seed));
    } else if (state_->recorder) {
        // The seed the start-up took from the calendar, taken again and written down.
        const auto seed = static_cast<std::uint32_t>(std::time(nullptr));
        seedRandom(static_cast<int>(seed));
        state_->recorder->setSeed(seed);
    }
}

int Session::finish(int status)
{
    if (state_->recorder && activeRecorder == state_->recorder)
        state_->recorder->write();
    if (!state_->player)
        return 0;
    const Player& player = *state_->player;
    std::cerr << "Lumidraft run: " << player.framesPresented() << " frames presented, " << player.refreshesMissed()
              << " refreshes missed, " << state_->machine->inputDelivered() << " events delivered, "
              << player.framesCaptured() << " frames captured, exit status " << status << std::endl;
    return status;
}

void afterFlip(Canvas& canvas)
{
    if (activePlayer)
        activePlayer->afterFlip(canvas);
    if (activeRecorder)
        activeRecorder->afterFlip(canvas);
}

} // namespace Lumidraft::run
