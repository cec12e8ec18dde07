#include "platform/backend.h"

#include "app/exception.h"
#include "platform/script/script_backend.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using namespace Lumidraft::platform;

void setChoice(const char* value)
{
#if defined(_WIN32)
    _putenv_s("LUMIDRAFT_BACKEND", value ? value : "");
#else
    if (value)
        setenv("LUMIDRAFT_BACKEND", value, 1);
    else
        unsetenv("LUMIDRAFT_BACKEND");
#endif
}

// Each test starts with no backend chosen and leaves the environment as ctest set it.
class BackendChoice : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* value = std::getenv("LUMIDRAFT_BACKEND");
        saved_ = value ? value : "";
        useBackend(nullptr);
    }
    void TearDown() override
    {
        setChoice(saved_.c_str());
        useBackend(nullptr);
    }
    std::string saved_;
};

TEST_F(BackendChoice, TheEnvironmentNamesTheBackendAndTheChoiceIsKept)
{
    setChoice("script");
    Backend& first = backend();
    EXPECT_STREQ(first.name(), "script");
    setChoice("no-such-backend");
    EXPECT_EQ(&backend(), &first) << "chosen once, on first use";
}

TEST_F(BackendChoice, AnUnknownNameIsRefusedWithAClearMessageEveryTime)
{
    setChoice("wayland");
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            backend();
            FAIL() << "an unknown backend name was accepted";
        } catch (const Lumidraft::Exception& e) {
            EXPECT_EQ(e.kind(), "CONFIGURATION ERROR");
            EXPECT_NE(e.message().find("\"wayland\""), std::string::npos) << e.message();
            EXPECT_NE(e.message().find("win32, sdl2 or script"), std::string::npos) << e.message();
        }
    }
}

#if !defined(_WIN32)
TEST_F(BackendChoice, ABackendThisProgramWasBuiltWithoutIsRefused)
{
    setChoice("win32");
    EXPECT_THROW(backend(), Lumidraft::Exception);
}
#endif

TEST_F(BackendChoice, UseBackendInstallsTheGivenOneAndHandsBackThePrevious)
{
    auto first = std::make_unique<ScriptBackend>();
    Backend* firstAddress = first.get();
    EXPECT_EQ(useBackend(std::move(first)), nullptr);
    EXPECT_EQ(&backend(), firstAddress);

    ScriptBackend& second = useScriptBackend();
    EXPECT_EQ(&backend(), &second);
    auto previous = useBackend(nullptr);
    EXPECT_EQ(previous.get(), &second);
}

} // namespace
