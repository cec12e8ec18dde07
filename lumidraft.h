// Lumidraft: everything an experiment uses, in namespace Lumidraft.
#pragma once

#include "app/exception.h"
#include "geometry/color.h"
#include "geometry/point.h"
#include "geometry/range.h"
#include "geometry/rectangle.h"
#include "timing/clock.h"
#include "timing/random.h"
#include "waves/angle.h"
