#include "files/run_record.h"

#include "files/csv_text.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace Lumidraft::files {

namespace {

void number(std::string& out, double value, bool integer)
{
    if (integer)
        appendInteger(out, static_cast<long long>(value));
    else
        appendJsonNumber(out, value);
}

} // namespace

std::string isoTimeNow()
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms < 0 ? 0 : ms));
    return text;
}

std::string runRecordJson(const RunRecord& r)
{
    std::string out = "{\n  \"framework\": \"Lumidraft\",\n  \"version\": ";
    appendJsonString(out, r.version);
    out += ",\n  \"data_file\": ";
    appendJsonString(out, r.dataFile);
    out += ",\n  \"started\": ";
    appendJsonString(out, r.started);
    out += ",\n  \"ended\": ";
    if (r.ended.empty())
        out += "null";
    else
        appendJsonString(out, r.ended);
    out += ",\n  \"complete\": ";
    out += r.complete ? "true" : "false";
    out += ",\n  \"rows\": ";
    appendInteger(out, static_cast<long long>(r.rows));
    out += ",\n  \"backend\": ";
    appendJsonString(out, r.backend);
    out += ",\n  \"scripted\": ";
    out += r.scripted ? "true" : "false";
    out += ",\n  \"display\": ";
    if (r.display) {
        out += "{\"width\": ";
        appendInteger(out, r.display->width);
        out += ", \"height\": ";
        appendInteger(out, r.display->height);
        out += ", \"bits_per_pixel\": ";
        appendInteger(out, r.display->bitsPerPixel);
        out += ", \"refresh_hz\": ";
        appendJsonNumber(out, r.display->refreshHz);
        out += "}";
    } else {
        out += "null";
    }
    out += ",\n  \"gamma\": {\"red\": ";
    appendJsonNumber(out, r.gamma[0]);
    out += ", \"green\": ";
    appendJsonNumber(out, r.gamma[1]);
    out += ", \"blue\": ";
    appendJsonNumber(out, r.gamma[2]);
    out += "},\n  \"variables\": [";
    for (std::size_t i = 0; i < r.variables.size(); ++i) {
        const VariableRecord& v = r.variables[i];
        out += i ? ",\n    {\"label\": " : "\n    {\"label\": ";
        appendJsonString(out, v.label);
        out += ", \"type\": ";
        out += v.integer ? "\"int\"" : "\"double\"";
        out += ", \"start\": ";
        if (v.start)
            number(out, *v.start, v.integer);
        else
            out += "null";
        out += ", \"end\": ";
        number(out, v.end, v.integer);
        out += "}";
    }
    out += r.variables.empty() ? "],\n" : "\n  ],\n";
    out += "  \"console_changes\": [";
    for (std::size_t i = 0; i < r.changes.size(); ++i) {
        const ChangeRecord& c = r.changes[i];
        out += i ? ",\n    {\"frame\": " : "\n    {\"frame\": ";
        appendInteger(out, c.frame);
        out += ", \"time_ms\": ";
        appendJsonNumber(out, c.timeMs);
        out += ", \"variable\": ";
        appendJsonString(out, c.variable);
        out += ", \"from\": ";
        number(out, c.from, c.integer);
        out += ", \"to\": ";
        number(out, c.to, c.integer);
        out += "}";
    }
    out += r.changes.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

} // namespace Lumidraft::files
