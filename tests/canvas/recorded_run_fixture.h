// A canvas test whose run leaves records (timing log, data file, sidecar): it starts with no run
// settings, no registered console variables, no console history and the console hidden, puts
// gamma back afterwards, and gives the test a folder of its own.
#pragma once

#include "canvas/canvas_fixture.h"

#include "app/run_environment.h"
#include "console/console_changes.h"
#include "console/variable_registry.h"
#include "geometry/color.h"
#include "platform/input.h"
#include "support/temp_folder.h"

namespace Lumidraft::testing {

class RecordedRunTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        Lumidraft::detail::setRunEnvironment({});
        initializeInput();
        clearRegisteredVariables();
        console::detail::forgetHistory();
        setConsoleVisible(false);
    }
    void TearDown() override
    {
        Lumidraft::detail::setRunEnvironment({});
        Color::setGamma(1.0, 1.0, 1.0);
        clearRegisteredVariables();
        setConsoleVisible(false);
        CanvasTest::TearDown();
    }

    TempFolder folder;
};

} // namespace Lumidraft::testing
