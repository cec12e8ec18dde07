// The sidecar of a data file: what the run was. Gathered when the data file opens, completed at
// its close, written as JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace Lumidraft::files {

struct DisplayRecord {
    int width = 0, height = 0, bitsPerPixel = 0;
    double refreshHz = 0.0;
};

struct VariableRecord {
    std::string label;
    bool integer = false;
    std::optional<double> start; // none when it was registered after the data file opened
    double end = 0.0;
};

struct ChangeRecord {
    std::string variable;
    bool integer = false;
    double from = 0.0, to = 0.0;
    long long frame = 0;
    double timeMs = 0.0;
};

struct RunRecord {
    std::string dataFile;
    std::string version;
    std::string started; // ISO 8601, UTC
    std::string ended;   // empty until close
    std::string backend;
    bool scripted = false;
    std::optional<DisplayRecord> display;
    double gamma[3] = {1.0, 1.0, 1.0};
    std::vector<VariableRecord> variables;
    std::vector<ChangeRecord> changes;
    std::size_t rows = 0;
    bool complete = false;
};

std::string runRecordJson(const RunRecord& record);
// Now, as 2026-12-10T11:19:39.123Z.
std::string isoTimeNow();

} // namespace Lumidraft::files
