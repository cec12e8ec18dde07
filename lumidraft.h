// Lumidraft: everything an experiment uses, in namespace Lumidraft.
#pragma once

#include "app/exception.h"
#include "canvas/active_canvas.h"
#include "canvas/canvas.h"
#include "console/adjustable_variable.h"
#include "console/console_display.h"
#include "console/experiment_runner.h"
#include "console/variable_registry.h"
#include "geometry/color.h"
#include "geometry/point.h"
#include "geometry/range.h"
#include "geometry/rectangle.h"
#include "platform/input.h"
#include "timing/clock.h"
#include "timing/random.h"
#include "waves/angle.h"
