// Lumidraft: everything an experiment uses, in namespace Lumidraft.
#pragma once

#include "app/exception.h"
