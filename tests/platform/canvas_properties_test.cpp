#include "platform/canvas_properties.h"

#include "app/exception.h"
#include "platform/application_properties.h"
#include "platform/script/script_backend.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace Lumidraft;
using platform::ScriptBackend;

class CanvasProperties : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = &platform::useScriptBackend();
        machine->setDesktopMode({320, 200, 32, 60});
        machine->setDisplayModes({{320, 200, 32, 60}, {160, 100, 16, 75}, {200, 120, 32, 0}});
        applicationProperties() = {}; // as a process starts, whatever an earlier test stored
    }
    void TearDown() override { platform::useBackend(nullptr); }

    // The text of a thrown const char*, or "" if something else (or nothing) was thrown.
    template <class F>
    static std::string thrownText(F&& f)
    {
        try {
            f();
        } catch (const char* text) {
            return text;
        } catch (...) {
            return "<other>";
        }
        return "";
    }

    // Nothing of a failed opening is left: no window, desktop mode, visible cursor.
    void expectNothingLeft(const APICanvasProperties& props)
    {
        EXPECT_FALSE(props.isOpen());
        EXPECT_EQ(machine->liveWindows(), 0);
        EXPECT_FALSE(machine->modeSwitched());
        EXPECT_TRUE(machine->cursorVisible());
    }

    ScriptBackend* machine = nullptr;
};

TEST_F(CanvasProperties, OpeningInTheCurrentModeRequestsExactlyThePresentMode)
{
    APICanvasProperties props;
    props.openCurrentMode();
    ASSERT_TRUE(props.isOpen());
    for (const DisplayModeRecord* r : {&props.requestedMode(), &props.currentModeRecord()}) {
        EXPECT_EQ(r->size, 156u);
        EXPECT_EQ(r->fields, 0x5C0000u);
        EXPECT_EQ(r->width, 320u);
        EXPECT_EQ(r->height, 200u);
        EXPECT_EQ(r->bitsPerPixel, 32u);
        EXPECT_EQ(r->frequency, 60u);
    }
    EXPECT_EQ(props.getWidth(), 320);
    EXPECT_EQ(props.getHeight(), 200);
    EXPECT_EQ(props.getBitsPerPixel(), 32);
    EXPECT_EQ(props.getRefreshRate(), 60.0);

    ASSERT_EQ(machine->windowsCreated().size(), 1u);
    const auto& w = machine->windowsCreated()[0];
    EXPECT_EQ(w.className, "LumidraftWindow");
    EXPECT_EQ(w.title, "Lumidraft Window");
    EXPECT_EQ(w.x, 0);
    EXPECT_EQ(w.y, 0);
    EXPECT_EQ(w.width, 320);
    EXPECT_EQ(w.height, 200);
    EXPECT_FALSE(machine->cursorVisible());
    EXPECT_EQ(machine->showCommands(), std::vector<int>{applicationProperties().showCommand});

    const WindowClassRecord& c = props.windowClass();
    EXPECT_EQ(c.size, 48u);
    EXPECT_EQ(c.menuName, "Lumidraft Window");
    EXPECT_EQ(c.className, "LumidraftWindow");
    EXPECT_EQ(c.procedure, &APICanvasProperties::windowProcedure);

    ASSERT_EQ(machine->pixelFormatRequests().size(), 1u);
    const platform::PixelFormatRequest& f = machine->pixelFormatRequests()[0];
    EXPECT_EQ(f.version, 2);
    EXPECT_EQ(f.flags, 0x142Du);
    EXPECT_EQ(f.colorBits, 32);
    EXPECT_EQ(f.redBits, 8);
    EXPECT_EQ(f.alphaBits, 8);
    EXPECT_EQ(f.depthBits, 32);
    EXPECT_EQ(f.stencilBits, 1);
    EXPECT_EQ(f.auxBuffers, 4);
}

TEST_F(CanvasProperties, ARequestedModeIsSwitchedToWithItsRateTruncatedAndEachChannelADepthQuarter)
{
    APICanvasProperties props;
    machine->setDisplayModes({{160, 100, 16, 75}, {160, 100, 24, 59}});
    props.openMode(160, 100, 16, 75.9);
    EXPECT_EQ(props.requestedMode().frequency, 75u);
    EXPECT_EQ(props.getRefreshRate(), 75.0);
    EXPECT_EQ(machine->windowsCreated().back().width, 160) << "the window covers the new resolution";
    EXPECT_EQ(machine->pixelFormatRequests().back().redBits, 4);
    EXPECT_EQ(machine->pixelFormatRequests().back().blueBits, 4);
    props.close();

    APICanvasProperties other;
    other.openMode(160, 100, 24, 59.94);
    EXPECT_EQ(other.getRefreshRate(), 59.0);
    EXPECT_EQ(machine->pixelFormatRequests().back().greenBits, 6);
}

TEST_F(CanvasProperties, ADisplayWithoutARefreshRateIsTakenAs60HzButARequestedRateIsKept)
{
    machine->setDesktopMode({200, 120, 32, 0});
    struct Case {
        bool current;
        int hz;
        double expected;
    } cases[] = {{true, 0, 60.0}, {false, 0, 60.0}, {false, 1, 60.0}};
    for (const Case& c : cases) {
        APICanvasProperties props;
        ::testing::internal::CaptureStderr();
        if (c.current)
            props.openCurrentMode();
        else
            props.openMode(200, 120, 32, c.hz);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(props.getRefreshRate(), c.expected);
        EXPECT_EQ(props.requestedMode().frequency, static_cast<unsigned>(c.hz)) << "the request itself is unchanged";
        EXPECT_NE(err.find("60 Hz"), std::string::npos) << err;
    }

    // A default rate resolves to the rate the display then reports.
    machine->setDisplayModes({{160, 100, 16, 75}});
    APICanvasProperties props;
    props.openMode(160, 100, 16, 0.0);
    EXPECT_EQ(props.getRefreshRate(), 75.0);
}

TEST_F(CanvasProperties, AModeTheDisplayCannotShowThrowsTheTextAndLeavesTheScreenAlone)
{
    APICanvasProperties props;
    EXPECT_EQ(thrownText([&] { props.openMode(1920, 1080, 32, 60); }), "API Error (Failed to switch display mode)");
    EXPECT_TRUE(machine->windowsCreated().empty());
    expectNothingLeft(props);
    EXPECT_EQ(machine->cursorDisplayCount(), 0);
}

TEST_F(CanvasProperties, AFailureAfterTheModeSwitchUndoesTheOpening)
{
    {
        APICanvasProperties props;
        machine->failWindowCreation(true);
        try {
            props.openCurrentMode();
            FAIL() << "opening succeeded without a window";
        } catch (const Exception& e) {
            EXPECT_EQ(e.displayText(), "class Lumidraft::APICanvasProperties [API ERROR] Failed to regist main window.");
        }
        expectNothingLeft(props);
        machine->failWindowCreation(false);
    }
    struct Case {
        platform::AttachResult failure;
        const char* text;
    } cases[] = {{platform::AttachResult::pixelFormatFailed, "API Error (Failed to set pixel format)."},
                 {platform::AttachResult::contextFailed, "API Error (Failed to set OpenGL context)."}};
    for (const Case& c : cases) {
        machine->failAttach(c.failure);
        APICanvasProperties props;
        EXPECT_EQ(thrownText([&] { props.openMode(160, 100, 16, 75); }), c.text);
        expectNothingLeft(props);
        EXPECT_EQ(machine->cursorDisplayCount(), 0) << "hidden once, shown once";
    }
    EXPECT_EQ(machine->restoreCount(), 3);
}

TEST_F(CanvasProperties, CloseUndoesEverythingOnceAndTheDestructorCloses)
{
    {
        APICanvasProperties props;
        props.close(); // closed: nothing happens
        EXPECT_EQ(machine->restoreCount(), 0);
        EXPECT_EQ(machine->cursorDisplayCount(), 0);

        props.openMode(160, 100, 16, 75);
        EXPECT_TRUE(machine->modeSwitched());
        props.close();
        expectNothingLeft(props);
        EXPECT_EQ(machine->detachCount(), 1);
        props.close();
        EXPECT_EQ(machine->restoreCount(), 1);
        EXPECT_EQ(machine->cursorDisplayCount(), 0);

        props.openCurrentMode();
        EXPECT_EQ(machine->liveWindows(), 1);
    }
    EXPECT_EQ(machine->liveWindows(), 0);
    EXPECT_TRUE(machine->cursorVisible());
    EXPECT_EQ(machine->restoreCount(), 2);
}

TEST_F(CanvasProperties, EveryOpeningRegistersTheClassAndRemovesOnePendingMessage)
{
    machine->postKeyDown(0x41);
    machine->postKeyDown(0x42);
    APICanvasProperties first, second;
    first.openCurrentMode();
    EXPECT_EQ(machine->pendingMessages(), 1u);
    std::uint8_t table[256];
    platform::backend().keyboardState(table);
    EXPECT_EQ(table[0x41] & 0x80, 0x80) << "removed without being dispatched";
    EXPECT_TRUE(machine->dispatched().empty());
    second.openCurrentMode(); // the class is registered already: harmless
    EXPECT_EQ(machine->registrationAttempts().size(), 2u);
    EXPECT_TRUE(second.isOpen());
}

TEST_F(CanvasProperties, ClosingOrDestroyingTheWindowPostsQuitAndLeavesTheWindow)
{
    APICanvasProperties props;
    props.openCurrentMode();
    for (unsigned id : {platform::msg::close, platform::msg::destroy}) {
        EXPECT_TRUE(machine->sendToWindow({id, 0, 0}));
        platform::Message m;
        ASSERT_TRUE(platform::backend().peekMessage(m));
        EXPECT_EQ(m.id, platform::msg::quit);
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_TRUE(props.isOpen());
        EXPECT_EQ(machine->liveWindows(), 1);
    }
    EXPECT_FALSE(machine->sendToWindow({platform::msg::lButtonDoubleClick, 0, 0}));
    EXPECT_FALSE(machine->quitPending());
}

TEST_F(CanvasProperties, ShowLastErrorBoxesTheSystemText)
{
    machine->setLastErrorText("Access is denied.");
    ::testing::internal::CaptureStderr();
    showLastError();
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(machine->messageBoxes().size(), 1u);
    EXPECT_EQ(machine->messageBoxes()[0].text, "Access is denied.");
    EXPECT_EQ(machine->messageBoxes()[0].caption, "Error");
}

} // namespace
