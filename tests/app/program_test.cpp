// The whole program frame (entry point, start-up, launcher, error boxes) on the script backend.
#include "app/entry.h"
#include "app/launch.h"
#include "app/startup.h"

#include "app/exception.h"
#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "console/variable_registry.h"
#include "platform/application_properties.h"
#include "platform/gl.h"
#include "platform/input.h"
#include "platform/script/script_backend.h"
#include "timing/clock.h"
#include "timing/random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>

namespace {
// What the experiment does in the current test.
std::function<void()> experiment;
int experimentRuns = 0;
} // namespace

void experimentMain()
{
    ++experimentRuns;
    if (experiment)
        experiment();
}

namespace {

using namespace Lumidraft;
using platform::ScriptBackend;

class Program : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = &platform::useScriptBackend();
        machine->setDesktopMode({160, 120, 32, 60});
        machine->setDisplayModes({{160, 120, 32, 60}});
        detail::forgetFrameworkStartup();
        detail::forgetCounterFrequency();
        ActiveCanvas::detail::forgetCurrentCanvas();
        // The launcher turns the console on for the process; each test starts with it off.
        setConsoleVisible(false);
        experiment = nullptr;
        experimentRuns = 0;
    }
    void TearDown() override
    {
        ActiveCanvas::detail::forgetCurrentCanvas();
        platform::useBackend(nullptr);
        // What the runs stored for the process: later tests in the same process start clean.
        applicationProperties() = {};
        setConsoleVisible(false);
        clearRegisteredVariables();
        detail::forgetFrameworkStartup();
    }

    // Runs the program and returns what it showed: the one box's text, or "" when none.
    std::string run()
    {
        char name[] = "experiment";
        char argument[] = "--ignored";
        char* argv[] = {name, argument, nullptr};
        ::testing::internal::CaptureStderr();
        const int result = programMain(2, argv);
        stderrText = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(result, 0);
        EXPECT_LE(machine->messageBoxes().size(), 1u);
        if (machine->messageBoxes().empty())
            return "";
        const auto& box = machine->messageBoxes().front();
        EXPECT_EQ(box.caption, "Lumidraft Notification");
        EXPECT_NE(stderrText.find(box.text), std::string::npos) << "the box's text also goes to stderr";
        return box.text;
    }

    // After the program: no window, desktop mode, cursor visible.
    void expectDesktopBack()
    {
        EXPECT_EQ(machine->liveWindows(), 0);
        EXPECT_FALSE(machine->modeSwitched());
        EXPECT_TRUE(machine->cursorVisible());
    }

    ScriptBackend* machine = nullptr;
    std::string stderrText;
};

TEST_F(Program, ARunOpensTheCurrentModeRunsTheExperimentAndGivesTheDesktopBack)
{
    bool sawCanvas = false;
    experiment = [&] {
        Canvas* canvas = ActiveCanvas::currentCanvas();
        ASSERT_NE(canvas, nullptr);
        sawCanvas = true;
        EXPECT_EQ(canvas->getWidth(), 160);
        EXPECT_EQ(canvas->getHeight(), 120);
        EXPECT_TRUE(frameworkInitialized());
        EXPECT_EQ(machine->liveWindows(), 1);
        EXPECT_FALSE(machine->cursorVisible());
    };
    EXPECT_EQ(run(), "");
    EXPECT_TRUE(sawCanvas);
    EXPECT_EQ(experimentRuns, 1);
    EXPECT_EQ(machine->normalPriorityCalls(), 1);
    EXPECT_EQ(applicationProperties().windowClassName, "LumidraftWindow");
    EXPECT_EQ(applicationProperties().commandLine, "--ignored");
    EXPECT_EQ(ticksPerMillisecond, 10'000);
    ASSERT_EQ(machine->windowsCreated().size(), 1u);
    EXPECT_EQ(machine->windowsCreated()[0].className, "LumidraftWindow");
    expectDesktopBack();
}

TEST_F(Program, TheLauncherRunsTheExperimentWithTheConsoleOn)
{
    bool consoleOn = false;
    GLubyte corner[4] = {}, beyond[4] = {};
    int contrast = 3;
    experiment = [&] {
        consoleOn = isConsoleVisible();
        registerVariable(contrast).label("contrast"); // a panel of one row, 200 x 50
        Canvas* canvas = ActiveCanvas::currentCanvas();
        ASSERT_NE(canvas, nullptr);
        canvas->clear(Color::white);
        canvas->flip();
        // One colour buffer on the scripted machine: the frame just shown. The panel darkens the
        // top-left corner (canvas y 2 is GL row 120 - 1 - 2).
        glFinish();
        glReadPixels(2, 117, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
        glReadPixels(150, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, beyond);
    };
    EXPECT_EQ(run(), "");
    EXPECT_TRUE(consoleOn);
    EXPECT_NEAR(corner[0], 128, 1) << "half-opaque black over white";
    EXPECT_EQ(beyond[0], 255);
    clearRegisteredVariables();
}

TEST_F(Program, StartUpSeedsBothGeneratorsFromTheCalendarSecond)
{
    const std::time_t before = std::time(nullptr);
    initializeFramework();
    const int r = std::rand();
    const std::uint32_t v = mtNext32();
    const std::time_t after = std::time(nullptr);
    bool matched = false;
    for (std::time_t t = before; t <= after && !matched; ++t) {
        std::srand(static_cast<unsigned>(t));
        mtSeed(static_cast<std::uint32_t>(t));
        matched = std::rand() == r && mtNext32() == v;
    }
    EXPECT_TRUE(matched) << "first values " << r << " and " << v << " are not those of the clock's second";
    EXPECT_NE(v, 3499211612u) << "the generator's fixed default seed";
}

TEST_F(Program, ADisplayModeThatCannotBeSetShowsExactlyTheTextAndReturns0)
{
    machine->setDisplayModes({{800, 600, 32, 60}});
    EXPECT_EQ(run(), "API Error (Failed to switch display mode)");
    EXPECT_EQ(experimentRuns, 0);
    EXPECT_TRUE(machine->windowsCreated().empty());
    expectDesktopBack();
}

TEST_F(Program, AMachineWithoutACounterShowsTheClockErrorAndOpensNoWindow)
{
    for (std::int64_t frequency : {0, 999}) {
        SetUp();
        machine->setCounterFrequency(frequency);
        EXPECT_EQ(run(), "class Lumidraft::Clock [HARDWARE NOT SUPPORTED] This computer does not support "
                         "high-resolution performance counter.")
            << frequency << " Hz";
        EXPECT_TRUE(machine->requestedModes().empty());
        EXPECT_TRUE(machine->windowsCreated().empty());
        EXPECT_EQ(experimentRuns, 0);
        EXPECT_FALSE(frameworkInitialized()) << "the start-up flag stays clear";
    }
}

TEST_F(Program, ErrorsFromTheExperimentAreShownAfterTheCanvasIsGone)
{
    struct Case {
        std::function<void()> raise;
        const char* text;
    } cases[] = {
        {[] { ActiveCanvas::flip(-1); }, "class Lumidraft::Canvas [ARGUMENT ERROR] flip-delay frames must be positive number."},
        {[] { throw Exception(); }, "class Lumidraft::Exception [] "},
        {[] { throw "Wave length must be positive number."; }, "Wave length must be positive number."},
    };
    for (const Case& c : cases) {
        SetUp();
        experiment = [&] {
            ASSERT_EQ(machine->liveWindows(), 1);
            c.raise();
        };
        EXPECT_EQ(run(), c.text);
        expectDesktopBack();
    }
}

TEST_F(Program, AnInputErrorTakesTheCurrentCanvasDownBeforeTheBox)
{
    // A canvas opened before the program is the current one and outlives the launcher's.
    Canvas outer(0);
    ASSERT_EQ(ActiveCanvas::currentCanvas(), &outer);
    experiment = [&] {
        EXPECT_EQ(machine->liveWindows(), 2);
        throw Exception(typeid(APIInputProperties), "API ERROR", "input failed");
    };
    EXPECT_EQ(run(), "class Lumidraft::APIInputProperties [API ERROR] input failed");
    EXPECT_FALSE(outer.isOpened()) << "disposed by the handler";
    EXPECT_EQ(machine->liveWindows(), 0);

    // Any other raiser leaves the current canvas alone.
    SetUp();
    Canvas other(0);
    experiment = [] { throw Exception(typeid(Canvas), "API ERROR", "drawing failed"); };
    EXPECT_EQ(run(), "class Lumidraft::Canvas [API ERROR] drawing failed");
    EXPECT_TRUE(other.isOpened());
}

TEST_F(Program, AnInputErrorAfterTheCanvasIsDestroyedTouchesNothing)
{
    experiment = [] { throw Exception(typeid(APIInputProperties), "API ERROR", "late"); };
    EXPECT_EQ(run(), "class Lumidraft::APIInputProperties [API ERROR] late");
    expectDesktopBack();
}

TEST_F(Program, AnEndedProcessIsNotCaughtByTheEntryPoint)
{
    experiment = [&] { machine->exitProcess(1); };
    char name[] = "experiment";
    char* argv[] = {name, nullptr};
    try {
        programMain(1, argv);
        FAIL() << "the exit was swallowed";
    } catch (const platform::ScriptedExit& e) {
        EXPECT_EQ(e.code, 1);
    }
    EXPECT_TRUE(machine->messageBoxes().empty());
}

TEST_F(Program, ABackendThatCannotBeHadStillReportsOnStderr)
{
    platform::useBackend(nullptr);
    const char* saved = std::getenv("LUMIDRAFT_BACKEND");
    const std::string restore = saved ? saved : "script";
#if defined(_WIN32)
    _putenv_s("LUMIDRAFT_BACKEND", "no-such-backend");
#else
    setenv("LUMIDRAFT_BACKEND", "no-such-backend", 1);
#endif
    char name[] = "experiment";
    char* argv[] = {name, nullptr};
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(programMain(1, argv), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
#if defined(_WIN32)
    _putenv_s("LUMIDRAFT_BACKEND", restore.c_str());
#else
    setenv("LUMIDRAFT_BACKEND", restore.c_str(), 1);
#endif
    EXPECT_NE(err.find("[Lumidraft Notification] class Lumidraft::platform::Backend [CONFIGURATION ERROR]"),
              std::string::npos)
        << err;
    EXPECT_EQ(experimentRuns, 0);
}

TEST_F(Program, ASecondStartUpChangesNothing)
{
    initializeFramework();
    ASSERT_TRUE(frameworkInitialized());
    EXPECT_EQ(ticksPerMillisecond, 10'000);

    // State the first start-up left, changed since: a second start-up must keep all of it.
    seedRandom(12345);
    machine->setCounterFrequency(3'579'545);
    int value = 7;
    registerVariable(value).label("kept");
    inputProperties().keys[pushed][0x1B] = 0x80;
    applicationProperties().windowClassName = "changed";

    initializeFramework();
    EXPECT_EQ(ticksPerMillisecond, 10'000) << "frequency not read (or divided) again";
    EXPECT_EQ(registeredVariables().size(), 1u);
    EXPECT_EQ(inputProperties().keys[pushed][0x1B], 0x80);
    EXPECT_EQ(applicationProperties().windowClassName, "changed");
    const double afterSecond = random(0.0, 1.0);
    seedRandom(12345);
    EXPECT_EQ(random(0.0, 1.0), afterSecond) << "not reseeded";
    clearRegisteredVariables();
}

} // namespace
