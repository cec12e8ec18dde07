// The run-script parser: what a well-formed script means, and the exact refusal for each kind
// of mistake, with the script's name and line.
#include "run/key_names.h"
#include "run/run_script.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using namespace Lumidraft::run;

RunScript parse(const std::string& text)
{
    std::istringstream in(text);
    return parseRunScript(in, "run.txt");
}

std::string refusal(const std::string& text)
{
    try {
        parse(text);
    } catch (const ScriptError& error) {
        return error.what();
    }
    return "(accepted)";
}

TEST(RunScript, ReadsEveryInstruction)
{
    const RunScript script = parse("display 800 600 75   # the lab's monitor\n"
                                   "\n"
                                   "   # a comment line\n"
                                   "seed 42\n"
                                   "at frame 30 press rightArrow\n"
                                   "at frame 40 pump 3 down shift\r\n"
                                   "at frame 50 move 100 -20\n"
                                   "at frame 51 click middle\n"
                                   "at 2.5 s up left\n"
                                   "every 30 frames capture shots/frame-%05d.png\n"
                                   "at frame 0 down vk70\n"
                                   "end at frame 1000\n");
    EXPECT_EQ(script.display.width, 800);
    EXPECT_EQ(script.display.height, 600);
    EXPECT_EQ(script.display.refreshHz, 75);
    EXPECT_EQ(script.seed, 42u);
    ASSERT_TRUE(script.endFrame);
    EXPECT_EQ(*script.endFrame, 1000);
    ASSERT_EQ(script.instructions.size(), 7u);

    const auto& press = script.instructions[0];
    EXPECT_EQ(press.when, Instruction::atFrame);
    EXPECT_EQ(press.frame, 30);
    EXPECT_EQ(press.pump, 1);
    EXPECT_EQ(press.line, 5);
    EXPECT_EQ(press.action.kind, Action::press);
    EXPECT_EQ(press.action.key, 0x27u);

    const auto& shift = script.instructions[1];
    EXPECT_EQ(shift.pump, 3);
    EXPECT_EQ(shift.action.kind, Action::down);
    EXPECT_EQ(shift.action.key, 0x10u);
    EXPECT_EQ(shift.action.button, -1);

    EXPECT_EQ(script.instructions[2].action.kind, Action::move);
    EXPECT_EQ(script.instructions[2].action.x, 100);
    EXPECT_EQ(script.instructions[2].action.y, -20);
    EXPECT_EQ(script.instructions[3].action.kind, Action::click);
    EXPECT_EQ(script.instructions[3].action.button, 2);

    const auto& timed = script.instructions[4];
    EXPECT_EQ(timed.when, Instruction::atTime);
    EXPECT_DOUBLE_EQ(timed.seconds, 2.5);
    EXPECT_EQ(timed.action.kind, Action::up);
    EXPECT_EQ(timed.action.button, 0);

    const auto& every = script.instructions[5];
    EXPECT_EQ(every.when, Instruction::everyFrames);
    EXPECT_EQ(every.frame, 30);
    EXPECT_EQ(every.action.path, "shots/frame-%05d.png");
    EXPECT_EQ(script.instructions[6].action.key, 0x70u);
}

TEST(RunScript, DefaultsWithoutDisplayOrEnd)
{
    const RunScript script = parse("at frame 1 press escape\n");
    EXPECT_EQ(script.display.width, 1024);
    EXPECT_EQ(script.display.height, 768);
    EXPECT_EQ(script.display.refreshHz, 60);
    EXPECT_EQ(script.seed, 1u);
    EXPECT_FALSE(script.endFrame);
}

TEST(RunScript, RefusesMistakesNamingTheLine)
{
    struct Case {
        const char* text;
        const char* refusal;
    };
    const Case cases[] = {
        {"at frame 30 press rightArrow\n# fine\n\n\n\n\nat frame 31 press rigthArrow\n",
         "run.txt:7: unknown key \"rigthArrow\""},
        {"at frame 1 down lft\n", "run.txt:1: unknown key \"lft\""},
        {"at frame 1 click leftArrow\n", "run.txt:1: unknown button \"leftArrow\"; use left, right or middle"},
        {"at frame 1 press vk01\n", "run.txt:1: unknown key \"vk01\""},
        {"at frame 1 jump space\n", "run.txt:1: unknown action \"jump\"; use press, down, up, move, click or capture"},
        {"wait 3\n", "run.txt:1: unknown instruction \"wait\"; use display, seed, at, every or end"},
        {"at frame x press space\n", "run.txt:1: \"x\" is not a frame number"},
        {"at frame -1 press space\n", "run.txt:1: frame number -1 is out of range (0 to 1000000000000)"},
        {"at frame 2.5 press space\n", "run.txt:1: \"2.5\" is not a frame number"},
        {"at frame 5\n", "run.txt:1: missing an action (press, down, up, move, click or capture)"},
        {"at frame 5 press\n", "run.txt:1: missing a key after \"press\""},
        {"at frame 5 pump 0 press space\n", "run.txt:1: pump number 0 is out of range (1 to 1000000)"},
        {"at frame 5 press space now\n", "run.txt:1: unexpected \"now\" at the end of the line"},
        {"at 2.5 press space\n", "run.txt:1: \"s\" after the time, not \"press\""},
        {"at -1 s press space\n", "run.txt:1: \"-1\" is not a time in seconds"},
        {"at soon s press space\n", "run.txt:1: \"soon\" is not a time in seconds"},
        {"at frame 5 move 10\n", "run.txt:1: missing a y position in pixels"},
        {"at frame 0 capture a.png\n", "run.txt:1: nothing is presented at frame 0; the first frame to capture is 1"},
        {"at frame 5 capture\n", "run.txt:1: missing a file name after \"capture\""},
        {"every 5 frames capture f-%s.png\n",
         "run.txt:1: capture path \"f-%s.png\" may hold one %d (or %05d) for the frame number and nothing else after %"},
        {"every 5 frames capture f-%d-%d.png\n",
         "run.txt:1: capture path \"f-%d-%d.png\" may hold one %d (or %05d) for the frame number and nothing else after %"},
        {"at frame 5 capture shot.jpg\n", "run.txt:1: capture path \"shot.jpg\" must end in .png"},
        {"at frame 5 capture png\n", "run.txt:1: capture path \"png\" must end in .png"},
        {"every 0 frames capture a.png\n", "run.txt:1: frame count 0 is out of range (1 to 1000000000000)"},
        {"every 5 capture a.png\n", "run.txt:1: \"frames\" after the count, not \"capture\""},
        {"display 1024 768\n", "run.txt:1: missing a refresh rate in Hz"},
        {"display 1024 0 60\n", "run.txt:1: height in pixels 0 is out of range (1 to 16384)"},
        {"display 1024 768 59.94\n", "run.txt:1: \"59.94\" is not a refresh rate in Hz"},
        {"display 640 480 60\ndisplay 800 600 60\n", "run.txt:2: display is given twice (first on line 1)"},
        {"end at frame 10\nend at frame 20\n", "run.txt:2: end is given twice (first on line 1)"},
        {"end frame 10\n", "run.txt:1: \"at frame N\" after \"end\", not \"frame\""},
        {"end at frame 0\n", "run.txt:1: frame number 0 is out of range (1 to 1000000000000)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(refusal(c.text), c.refusal) << c.text;
}

TEST(RunScript, UnreadableFileIsRefused)
{
    try {
        loadRunScript("/nonexistent/run.txt");
        FAIL() << "accepted";
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "/nonexistent/run.txt: the run script cannot be read");
    }
}

TEST(RunScript, CapturePathFillsTheFrameNumber)
{
    EXPECT_EQ(capturePath("shots/frame-%05d.png", 30), "shots/frame-00030.png");
    EXPECT_EQ(capturePath("f%d.png", 1234567), "f1234567.png");
    EXPECT_EQ(capturePath("f%3d.png", 7), "f  7.png");
    EXPECT_EQ(capturePath("100%%-%d.png", 2), "100%-2.png");
    EXPECT_EQ(capturePath("still.png", 9), "still.png");
}

TEST(KeyNames, NamesAndCodesRoundTrip)
{
    EXPECT_EQ(virtualKeyByName("escape"), 0x1Bu);
    EXPECT_EQ(virtualKeyByName("returnKey"), 0x0Du);
    EXPECT_EQ(virtualKeyByName("numpad5"), 0x65u);
    EXPECT_EQ(virtualKeyByName("keyA"), 0x41u);
    EXPECT_EQ(virtualKeyByName("vk7a"), 0x7Au);
    EXPECT_FALSE(virtualKeyByName("Escape"));
    EXPECT_FALSE(virtualKeyByName("vk"));
    for (unsigned vk : {0x10u, 0x27u, 0x1Bu, 0x41u, 0xBAu, 0x73u, 0xA0u})
        EXPECT_EQ(virtualKeyByName(keyNameOf(vk)), vk) << keyNameOf(vk);
    EXPECT_EQ(keyNameOf(0x73), "vk73");
    EXPECT_EQ(buttonByName("right"), 1);
    EXPECT_FALSE(buttonByName("Left"));
}

} // namespace
