// Test helper: runs f, which must raise an Exception with exactly this raising class, kind and message.
#pragma once

#include "app/exception.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>

namespace Lumidraft::testing {

inline void expectError(const std::function<void()>& f, const std::type_info& raiser, const std::string& kind,
                        const std::string& message)
{
    try {
        f();
        ADD_FAILURE() << "no Exception, expected: " << message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.raisingClass(), raiser) << e.what();
        EXPECT_EQ(e.kind(), kind);
        EXPECT_EQ(e.message(), message);
    }
}

} // namespace Lumidraft::testing
