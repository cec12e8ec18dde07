#include "files/data_file.h"

#include "app/exception.h"
#include "app/run_environment.h"
#include "canvas/active_canvas.h"
#include "console/console_changes.h"
#include "console/variable_registry.h"
#include "files/csv_text.h"
#include "files/run_record.h"
#include "geometry/color.h"
#include "platform/backend.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <typeinfo>

#ifndef LUMIDRAFT_VERSION_TEXT
#define LUMIDRAFT_VERSION_TEXT "unknown"
#endif

namespace Lumidraft {

struct DataFile::RunRecord {
    files::RunRecord json;
    std::size_t firstChange = 0;                  // the console history's length at opening
    std::vector<std::optional<double>> startValues; // per registry position
};

namespace {

[[noreturn]] void fileError(const std::string& message)
{
    throw Exception(typeid(DataFile), "FILE ERROR", message);
}

// s01.csv -> s01-2.csv (n = 2), keeping the folder and the extension.
std::string numbered(const std::string& path, int n)
{
    if (n == 1)
        return path;
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    std::string suffix = "-";
    suffix += std::to_string(n);
    return extension ? path.substr(0, dot) + suffix + path.substr(dot) : path + suffix;
}

std::string sidecarFor(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (extension ? path.substr(0, dot) : path) + ".json";
}

std::string fileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void quoted(std::string& out, std::string_view name)
{
    out += '"';
    out.append(name);
    out += '"';
}

void readDisplay(files::RunRecord& json)
{
    if (const Canvas* canvas = ActiveCanvas::currentCanvas())
        json.display = files::DisplayRecord{canvas->getWidth(), canvas->getHeight(), canvas->getBitsPerPixel(),
                                            canvas->getRefreshHz()};
}

} // namespace

DataFile::DataFile(const std::string& path) : record_(std::make_unique<RunRecord>())
{
    std::string reason;
    if (path.empty())
        fileError("A data file needs a file name.");
    if (!files::makeParentFolders(path, reason))
        fileError("Cannot make the folder for the data file \"" + path + "\": " + reason + ".");

    // The first free name: neither the CSV nor its sidecar may exist. Opening with "create new"
    // makes the choice safe against another program creating the file meanwhile.
    for (int n = 1;; ++n) {
        if (n > 9999)
            fileError("No free name for the data file \"" + path + "\": up to " + numbered(path, 9999) + " exist.");
        const std::string candidate = numbered(path, n);
        if (files::pathExists(sidecarFor(candidate)) && !files::pathExists(candidate))
            continue;
        bool exists = false;
        if (file_.open(candidate, files::RawFile::Mode::createNew, reason, &exists)) {
            path_ = candidate;
            break;
        }
        if (!exists)
            fileError("Cannot write the data file \"" + candidate + "\": " + reason + ".");
    }
    sidecarPath_ = sidecarFor(path_);
    if (path_ != path)
        std::cerr << "Lumidraft: " << path << " exists; writing " << path_ << " instead.\n";

    files::RunRecord& json = record_->json;
    json.dataFile = fileName(path_);
    json.version = LUMIDRAFT_VERSION_TEXT;
    json.started = files::isoTimeNow();
    try {
        json.backend = platform::backend().name();
    } catch (const Exception&) {
        json.backend = "none";
    }
    // A run is scripted when it runs on the script backend or a run script drives it.
    json.scripted = json.backend == "script" || runEnvironment().scriptGiven;
    readDisplay(json);
    Color::getGamma(json.gamma[0], json.gamma[1], json.gamma[2]);
    record_->firstChange = console::history().size();
    for (const auto& entry : registeredVariables()) {
        double value = 0.0;
        bool integer = false;
        record_->startValues.push_back(console::readVariable(*entry, value, integer) ? std::optional<double>(value)
                                                                                      : std::nullopt);
    }

    if (!files::replaceWholeFile(sidecarPath_, files::runRecordJson(json), reason)) {
        file_.close();
        std::remove(path_.c_str());
        fileError("Cannot write the data file's sidecar \"" + sidecarPath_ + "\": " + reason + ".");
    }
    line_.reserve(256);
    bufferSize_ = 512;
    buffer_ = std::make_unique<char[]>(bufferSize_);
}

DataFile::~DataFile()
{
    try {
        close();
    } catch (const std::exception& e) {
        std::cerr << "Lumidraft: " << e.what() << '\n';
    }
}

void DataFile::row(std::initializer_list<DataField> fields)
{
    row(std::span<const DataField>(fields.begin(), fields.size()));
}

void DataFile::row(std::span<const DataField> fields)
{
    if (closed_)
        throw Exception(typeid(DataFile), "FILE ERROR", "The data file \"" + path_ + "\" is closed.");
    if (columns_.empty()) {
        firstRow(fields);
        return;
    }
    const std::size_t n = columns_.size();
    if (fields.size() != n)
        columnMismatch(fields);
    // Usually the fields come in the columns' order; otherwise find each column's field.
    bool inOrder = true;
    for (std::size_t i = 0; i < n && inOrder; ++i)
        inOrder = fields[i].name == columns_[i];
    if (!inOrder) {
        for (std::size_t c = 0; c < n; ++c) {
            std::size_t found = n;
            for (std::size_t f = 0; f < n; ++f)
                if (fields[f].name == columns_[c]) {
                    found = f;
                    break;
                }
            if (found == n)
                columnMismatch(fields);
            order_[c] = found;
        }
    }
    std::size_t bound = n + 1;
    for (const DataField& f : fields)
        bound += f.value.kind() == DataValue::Kind::text ? 2 * f.value.text().size() + 2 : files::maxRealText;
    if (bound > bufferSize_) {
        buffer_ = std::make_unique<char[]>(2 * bound);
        bufferSize_ = 2 * bound;
    }
    char* const start = buffer_.get();
    char* at = start;
    for (std::size_t c = 0; c < n; ++c) {
        if (c)
            *at++ = ',';
        const DataValue& value = fields[inOrder ? c : order_[c]].value;
        switch (value.kind()) {
        case DataValue::Kind::integer: at = files::writeInteger(at, value.integer()); break;
        case DataValue::Kind::unsignedInteger: at = files::writeUnsigned(at, value.unsignedInteger()); break;
        case DataValue::Kind::real: at = files::writeReal(at, value.real()); break;
        case DataValue::Kind::text: at = files::writeCsvField(at, value.text()); break;
        }
    }
    *at++ = '\n';
    writeLine(std::string_view(start, static_cast<std::size_t>(at - start)));
}

void DataFile::firstRow(std::span<const DataField> fields)
{
    if (fields.empty())
        throw Exception(typeid(DataFile), "COLUMN ERROR", "The first row of \"" + path_ + "\" has no columns.");
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (fields[i].name == fields[j].name) {
                std::string message = "The first row of \"" + path_ + "\" names the column ";
                quoted(message, fields[i].name);
                throw Exception(typeid(DataFile), "COLUMN ERROR", message + " twice.");
            }
    line_.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line_.push_back(',');
        files::appendCsvField(line_, fields[i].name);
    }
    line_.push_back('\n');
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line_.push_back(',');
        appendValue(fields[i].value);
    }
    line_.push_back('\n');
    writeLine(line_);
    for (const DataField& f : fields)
        columns_.emplace_back(f.name);
    order_.assign(columns_.size(), 0);
}

void DataFile::appendValue(const DataValue& value)
{
    char text[files::maxRealText];
    switch (value.kind()) {
    case DataValue::Kind::integer: line_.append(text, files::writeInteger(text, value.integer())); break;
    case DataValue::Kind::unsignedInteger: line_.append(text, files::writeUnsigned(text, value.unsignedInteger())); break;
    case DataValue::Kind::real: line_.append(text, files::writeReal(text, value.real())); break;
    case DataValue::Kind::text: files::appendCsvField(line_, value.text()); break;
    }
}

void DataFile::writeLine(std::string_view line)
{
    std::string reason;
    if (!file_.write(line, reason))
        fileError("Cannot write to the data file \"" + path_ + "\": " + reason + ".");
    ++rows_;
}

void DataFile::columnMismatch(std::span<const DataField> fields) const
{
    std::string missing, unexpected;
    for (const std::string& column : columns_)
        if (std::none_of(fields.begin(), fields.end(), [&](const DataField& f) { return f.name == column; })) {
            if (!missing.empty())
                missing += ", ";
            quoted(missing, column);
        }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const bool known = std::find(columns_.begin(), columns_.end(), fields[i].name) != columns_.end();
        bool repeated = false;
        for (std::size_t j = 0; j < i; ++j)
            repeated = repeated || fields[j].name == fields[i].name;
        if (!known || repeated) {
            if (!unexpected.empty())
                unexpected += ", ";
            quoted(unexpected, fields[i].name);
            if (repeated)
                unexpected += " again";
        }
    }
    std::string message = "A row of \"" + path_ + "\" differs from the first row's columns:";
    if (!missing.empty())
        message += " missing " + missing + (unexpected.empty() ? "." : ";");
    if (!unexpected.empty())
        message += " not in the first row " + unexpected + ".";
    message += " Nothing was written.";
    throw Exception(typeid(DataFile), "COLUMN ERROR", message);
}

void DataFile::close()
{
    if (closed_)
        return;
    closed_ = true;
    std::string reason, failure;
    if (file_.isOpen() && !file_.sync(reason))
        failure = "Cannot sync the data file \"" + path_ + "\": " + reason + ".";
    file_.close();

    files::RunRecord& json = record_->json;
    json.ended = files::isoTimeNow();
    json.complete = true;
    json.rows = rows_;
    if (!json.display)
        readDisplay(json);
    Color::getGamma(json.gamma[0], json.gamma[1], json.gamma[2]);

    const auto& entries = registeredVariables();
    const auto& history = console::history();
    const std::size_t firstChange = std::min(record_->firstChange, history.size());
    json.variables.clear();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        files::VariableRecord v;
        const std::string* label = console::variableLabel(i);
        v.label = label ? *label : std::string();
        console::readVariable(*entries[i], v.end, v.integer);
        if (i < record_->startValues.size())
            v.start = record_->startValues[i];
        else
            // Registered after the data file opened: its value before the first change, if any.
            for (std::size_t c = firstChange; c < history.size() && !v.start; ++c)
                if (history[c].variable == i)
                    v.start = history[c].before;
        json.variables.push_back(std::move(v));
    }
    json.changes.clear();
    for (std::size_t c = firstChange; c < history.size(); ++c) {
        const ConsoleChange& change = history[c];
        const std::string* label = console::variableLabel(change.variable);
        json.changes.push_back({label ? *label : std::string(), change.integer, change.before, change.after,
                                static_cast<long long>(change.frame), change.timeMs});
    }
    if (!files::replaceWholeFile(sidecarPath_, files::runRecordJson(json), reason) && failure.empty())
        failure = "Cannot complete the data file's sidecar \"" + sidecarPath_ + "\": " + reason + ".";
    if (!failure.empty())
        fileError(failure);
}

} // namespace Lumidraft
