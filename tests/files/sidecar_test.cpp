// The data file's sidecar on the scripted machine: the run's facts at construction, completed at
// close with the console's variables and the observer's changes, which the timing log's tag
// column shows too.
#include "files/data_file.h"

#include "canvas/recorded_run_fixture.h"
#include "console/console_changes.h"

#include <cctype>
#include <string>

namespace Lumidraft::testing {
namespace {

// The text of a string member: "name": "text".
std::string valueOf(const std::string& json, const std::string& name)
{
    const std::string key = "\"" + name + "\": \"";
    const std::size_t at = json.find(key);
    if (at == std::string::npos)
        return "";
    const std::size_t from = at + key.size();
    return json.substr(from, json.find('"', from) - from);
}

// Digits where the pattern has 9 (with `runs`, one or more digits), the pattern's own
// characters elsewhere.
bool matches(const std::string& text, const std::string& pattern, bool runs = false)
{
    auto digit = [&](std::size_t i) { return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); };
    std::size_t t = 0;
    for (const char p : pattern) {
        if (p != '9') {
            if (t >= text.size() || text[t++] != p)
                return false;
            continue;
        }
        if (!digit(t++))
            return false;
        while (runs && digit(t))
            ++t;
    }
    return t == text.size();
}

class Sidecar : public RecordedRunTest {};

TEST_F(Sidecar, RecordsTheRunAndEveryConsoleChangeWithItsFrameAndTime)
{
    machine->setDesktopMode({800, 600, 32, 75});
    machine->setDisplayModes({{800, 600, 32, 75}});
    Color::setGamma(2.2, 2.0, 1.8);
    int rectNumber = 5;
    double rectSize = 500.0;
    Range rng;
    registerVariable(rectNumber).label("Number of Rect ").range(5 <= rng <= 100).step(10).step(5);
    registerVariable(rectSize).label("Rect Size").range(50 <= rng <= 500).step(100).step(10);
    setConsoleVisible(true);

    Canvas canvas(0);
    machine->setRetraceRate(0.0);
    machine->setReadQuantum(1);
    const std::string timing = folder / "timing.csv";
    canvas.logTiming(timing);

    DataFile data(folder / "s01.csv");
    const std::string atStart = readFile(data.sidecarPath());
    EXPECT_NE(atStart.find("\"complete\": false"), std::string::npos) << atStart;
    EXPECT_NE(atStart.find("\"ended\": null"), std::string::npos);

    auto press = [&](unsigned vk) {
        machine->postKeyDown(vk);
        machine->postKeyUp(vk);
    };
    auto flipAfterMs = [&](int ms) {
        machine->queueSwapAfterPrevious(ms * ticksPerMs);
        canvas.flip();
    };
    flipAfterMs(13);
    press(0x28); // Down: Rect Size
    flipAfterMs(13);
    press(0x27); // Right would pass 500: refused, nothing recorded
    flipAfterMs(13);
    press(0x25); // Left: 500 -> 490
    flipAfterMs(13);
    data.row({{"trial", 1}});
    data.close();
    ::testing::internal::CaptureStderr();
    canvas.dispose();
    ::testing::internal::GetCapturedStderr();

    const std::string json = readFile(data.sidecarPath());
    for (const char* expected : {
             "\"framework\": \"Lumidraft\"",
             "\"data_file\": \"s01.csv\"",
             "\"complete\": true",
             "\"rows\": 1",
             "\"backend\": \"script\"",
             "\"scripted\": true",
             "\"display\": {\"width\": 800, \"height\": 600, \"bits_per_pixel\": 32, \"refresh_hz\": 75}",
             "\"gamma\": {\"red\": 2.2, \"green\": 2, \"blue\": 1.8}",
             "{\"label\": \"Number of Rect \", \"type\": \"int\", \"start\": 5, \"end\": 5}",
             "{\"label\": \"Rect Size\", \"type\": \"double\", \"start\": 500, \"end\": 490}",
             "\"console_changes\": [\n    {\"frame\": 4, \"time_ms\": 52, \"variable\": \"Rect Size\", \"from\": 500, "
             "\"to\": 490}\n  ]",
         })
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    EXPECT_TRUE(matches(valueOf(json, "version"), "9.9.9", true)) << json;
    EXPECT_TRUE(matches(valueOf(json, "started"), "9999-99-99T99:99:99.999Z")) << json;
    EXPECT_EQ(readLines(timing)[4], "4,1,52,13,0,console: Rect Size 500 -> 490");
}

TEST_F(Sidecar, WithoutACanvasOrVariablesTheRecordSaysSo)
{
    DataFile data(folder / "bare.csv");
    int late = 3;
    registerVariable(late).label("late");
    console::noteChange(0, 3, 4, true);
    console::stampPendingChanges(7, 116.5);
    late = 4;
    data.close();
    const std::string json = readFile(data.sidecarPath());
    EXPECT_NE(json.find("\"display\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"rows\": 0"), std::string::npos);
    EXPECT_NE(json.find("{\"label\": \"late\", \"type\": \"int\", \"start\": 3, \"end\": 4}"), std::string::npos)
        << "registered after the file opened: its start is the value before its first change";
    EXPECT_NE(json.find("{\"frame\": 7, \"time_ms\": 116.5, \"variable\": \"late\", \"from\": 3, \"to\": 4}"),
              std::string::npos);
}

} // namespace
} // namespace Lumidraft::testing
