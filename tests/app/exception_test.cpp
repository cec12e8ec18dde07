#include <lumidraft.h>

#include <gtest/gtest.h>

namespace Lumidraft::testing {
class Probe {};
}

namespace {

using Lumidraft::Exception;
using Lumidraft::testing::Probe;

TEST(Exception, DisplayTextNamesTheRaisingClassTheSameOnEveryCompiler)
{
    const Exception e(typeid(Exception), "ARGUMENT ERROR", "flip-delay frames must be positive number.");
    EXPECT_STREQ(e.what(), "class Lumidraft::Exception [ARGUMENT ERROR] flip-delay frames must be positive number.");
    EXPECT_EQ(Lumidraft::readableClassName(typeid(Probe)), "class Lumidraft::testing::Probe");
}

TEST(Exception, EachConstructorStoresWhatItIsGivenAndLeavesTheRestEmpty)
{
    struct Case {
        Exception e;
        const char* kind;
        const char* message;
        const char* text;
    };
    const std::string kind = "SIZE ERROR";
    const std::string message = "Width and Height must be defined as positive value.";
    const Case cases[] = {
        {Exception(), "", "", "class Lumidraft::Exception [] "},
        {Exception("min exceeds max in random(min, max)"), "", "min exceeds max in random(min, max)",
         "class Lumidraft::Exception [] min exceeds max in random(min, max)"},
        {Exception(std::string("m")), "", "m", "class Lumidraft::Exception [] m"},
        {Exception(typeid(Probe)), "", "", "class Lumidraft::testing::Probe [] "},
        {Exception(typeid(Probe), "API ERROR"), "API ERROR", "", "class Lumidraft::testing::Probe [API ERROR] "},
        {Exception(typeid(Probe), kind), "SIZE ERROR", "", "class Lumidraft::testing::Probe [SIZE ERROR] "},
        {Exception(typeid(Probe), "Memory Error", "m."), "Memory Error", "m.",
         "class Lumidraft::testing::Probe [Memory Error] m."},
        {Exception(typeid(Probe), kind, message), "SIZE ERROR", message.c_str(),
         "class Lumidraft::testing::Probe [SIZE ERROR] Width and Height must be defined as positive value."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.e.kind(), c.kind);
        EXPECT_EQ(c.e.message(), c.message);
        EXPECT_EQ(c.e.displayText(), c.text);
        EXPECT_STREQ(c.e.what(), c.text);
    }
    EXPECT_EQ(cases[0].e.raisingClass(), typeid(Exception));
    EXPECT_EQ(cases[3].e.raisingClass(), typeid(Probe));
}

TEST(Exception, IsCaughtByValueAsAStandardExceptionWithAllFieldsCopied)
{
    try {
        throw Exception(typeid(Probe), "FORMAT ERROR", "bad.");
    } catch (const std::exception& caught) {
        const auto& e = dynamic_cast<const Exception&>(caught);
        const Exception copy = e;
        EXPECT_EQ(copy.raisingClass(), typeid(Probe));
        EXPECT_STREQ(copy.what(), "class Lumidraft::testing::Probe [FORMAT ERROR] bad.");
    }
}

} // namespace
