// The picture beside a timing log: each flip's interval over the run with its missed refreshes
// marked, the refresh period as a line, and a histogram of the intervals. Plain SVG text, for
// any browser.
#pragma once

#include <string>
#include <vector>

namespace Lumidraft::files {

struct TimingPoint {
    double intervalMs = 0.0;
    int missed = 0;
};

std::string timingSvg(const std::vector<TimingPoint>& points, double periodMs, const std::string& title);
// Writes it (replacing the file whole); false with the reason when it cannot.
bool writeTimingSvg(const std::string& path, const std::vector<TimingPoint>& points, double periodMs,
                    const std::string& title, std::string& reason);

} // namespace Lumidraft::files
