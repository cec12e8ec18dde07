// Scripted runs through the Session the entry point uses: what an experiment's queries see after
// each flip, pump by pump, and how a run ends.
#include "run/session.h"

#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "platform/input.h"
#include "platform/script/script_backend.h"
#include "timing/clock.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

using namespace Lumidraft;

class ScriptedRun : public ::testing::Test {
protected:
    void TearDown() override
    {
        canvas.reset();
        session.reset();
        ActiveCanvas::detail::forgetCurrentCanvas();
        platform::useBackend(nullptr);
    }

    // Starts a scripted run of the text and opens the canvas, as the entry point and launcher do.
    void start(const std::string& text)
    {
        std::ofstream(path) << text;
        session = std::make_unique<run::Session>();
        ASSERT_TRUE(session->start({"script", path, ""}));
        machine = dynamic_cast<platform::ScriptBackend*>(&platform::backend());
        ASSERT_NE(machine, nullptr);
        detail::forgetCounterFrequency();
        Clock::initializeFrequency();
        ActiveCanvas::detail::forgetCurrentCanvas();
        initializeInput();
        canvas = std::make_unique<Canvas>(0);
    }
    bool held(int key) { return queryKey(key, Lumidraft::held); }
    void flips(int count)
    {
        for (int i = 0; i < count; ++i)
            canvas->flip();
    }

    // A folder of the test's own: the same case runs at once in this program and in the all-in-one
    // program, and a shared file let one run read the other's script.
    Lumidraft::testing::TempFolder folder;
    std::string path = folder / "run.txt";
    std::unique_ptr<run::Session> session;
    std::unique_ptr<Canvas> canvas;
    platform::ScriptBackend* machine = nullptr;
};

TEST_F(ScriptedRun, TheVirtualDisplayIsTheScripts)
{
    start("display 800 600 75\n");
    EXPECT_EQ(canvas->getWidth(), 800);
    EXPECT_EQ(canvas->getHeight(), 600);
    EXPECT_DOUBLE_EQ(canvas->getRefreshHz(), 75.0);
    // The experiment's own computing is all the time a frame takes: no refresh is ever missed.
    flips(20);
    EXPECT_EQ(canvas->getMissedCount(), 0);
}

TEST_F(ScriptedRun, APressIsSeenAfterItsFlipAndReleasedOneFrameLater)
{
    start("at frame 2 press rightArrow\n");
    flips(1);
    EXPECT_FALSE(held(rightArrow));
    flips(1);
    EXPECT_TRUE(queryKey(rightArrow, pushed)) << "the first query after flip 2 takes the key down";
    EXPECT_TRUE(held(rightArrow));
    flips(1);
    EXPECT_FALSE(held(rightArrow));
    EXPECT_TRUE(queryKey(rightArrow, released));
    EXPECT_EQ(machine->inputDelivered(), 2u);
}

TEST_F(ScriptedRun, KeysHeldAcrossFramesWithShift)
{
    start("at frame 1 down shift\nat frame 2 press upArrow\nat frame 4 up shift\n");
    flips(1);
    EXPECT_TRUE(held(shift));
    flips(1);
    EXPECT_TRUE(held(upArrow));
    EXPECT_TRUE(held(shift));
    flips(2);
    EXPECT_FALSE(held(upArrow));
    EXPECT_FALSE(held(shift)) << "up at frame 4";
}

TEST_F(ScriptedRun, APumpNumberPlacesTheEventAtThatQuery)
{
    start("at frame 1 pump 3 down keyA\nat frame 1 pump 40 down keyB\n");
    flips(1);
    EXPECT_FALSE(held(keyA));
    EXPECT_FALSE(held(keyA));
    EXPECT_TRUE(held(keyA)) << "the third pump after flip 1";
    EXPECT_FALSE(held(keyB));
    // A pump the frame never reached: the event comes with the next flip instead of being lost.
    flips(1);
    EXPECT_TRUE(held(keyB));
}

TEST_F(ScriptedRun, FrameZeroComesBeforeTheFirstQueryAndMovesStayOnTheScreen)
{
    start("at frame 0 move 5000 -3\nat frame 0 down space\nat frame 1 move 10 20\n");
    EXPECT_TRUE(held(space));
    EXPECT_EQ(getMousePosition().x, 1023.0);
    EXPECT_EQ(getMousePosition().y, 0.0);
    flips(1);
    held(space);
    EXPECT_EQ(getMousePosition().x, 10.0);
    EXPECT_EQ(getMousePosition().y, 20.0);
}

TEST_F(ScriptedRun, VirtualTimeCountsRefreshesFromTheOpening)
{
    // At 60 Hz, 0.05 s is exactly the third frame.
    start("at 0.05 s down keyB\n");
    flips(2);
    EXPECT_FALSE(held(keyB));
    flips(1);
    EXPECT_TRUE(held(keyB));
}

TEST_F(ScriptedRun, AltF4EndsTheProcessWithStatusOne)
{
    // Keys pressed while Alt is down come as system keys, so Alt+F4 quits as on Windows.
    start("at frame 1 down alt\nat frame 1 press vk73\n");
    flips(1);
    held(alt);
    held(alt); // F4 as a system key: the quit message is posted
    try {
        held(alt);
        FAIL() << "the quit message did not end the process";
    } catch (const platform::ScriptedExit& exit) {
        EXPECT_EQ(exit.code, 1);
    }
}

TEST_F(ScriptedRun, TheEndStopsTheRunAtItsFlipAndReportsIt)
{
    start("every 2 frames move 1 1\nend at frame 3\n");
    flips(2);
    try {
        canvas->flip();
        FAIL() << "the run went past its end";
    } catch (const platform::ScriptedExit& exit) {
        EXPECT_EQ(exit.code, 3);
    }
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(session->finish(3), 3);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Lumidraft run: 3 frames presented, 0 refreshes missed, 0 events delivered, 0 frames captured, "
              "exit status 3\n");
}

TEST(Session, RefusesSettingsThatDoNotFit)
{
    struct Case {
        run::Settings settings;
        const char* refusal;
    };
    const Case cases[] = {
        {{"sdl2", "run.txt", ""},
         "Lumidraft: LUMIDRAFT_SCRIPT is set, but a run script needs LUMIDRAFT_BACKEND=script (it is \"sdl2\").\n"},
        {{"", "run.txt", ""},
         "Lumidraft: LUMIDRAFT_SCRIPT is set, but a run script needs LUMIDRAFT_BACKEND=script (it is \"\").\n"},
        {{"script", "", "session.txt"},
         "Lumidraft: LUMIDRAFT_RECORD records an observer on a real display; it cannot be used with "
         "LUMIDRAFT_BACKEND=script.\n"},
        {{"script", "run.txt", "session.txt"},
         "Lumidraft: LUMIDRAFT_SCRIPT and LUMIDRAFT_RECORD are both set; a run is either scripted or recorded.\n"},
        {{"script", "/nonexistent/run.txt", ""}, "Lumidraft: /nonexistent/run.txt: the run script cannot be read\n"},
    };
    for (const Case& c : cases) {
        run::Session session;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(session.start(c.settings));
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.refusal);
    }
    // Nothing set: an ordinary run, whose status stays the desktop's 0.
    run::Session ordinary;
    EXPECT_TRUE(ordinary.start({}));
    EXPECT_FALSE(ordinary.scripted());
    EXPECT_EQ(ordinary.finish(1), 0);
}

} // namespace
