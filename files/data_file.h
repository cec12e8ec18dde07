// DataFile: the experiment's trial data as a CSV, one row per call, each row handed to the
// operating system before `row` returns, so a crash or a killed process loses no row written.
//     DataFile data("results/s01.csv");
//     data.row({{"trial", 3}, {"contrast", 0.25}, {"key", "rightArrow"}, {"rt_ms", 512.3}});
// The columns are the first row's names, in order. An existing file is never written over: when
// s01.csv exists, s01-2.csv is written (then -3, ...) and stderr says so. A sidecar s01.json
// beside it records the run (framework version, start time, backend, display mode, scripted or
// not, gamma, the console's variables and every change the observer made); it is written at
// construction and completed at close.
#pragma once

#include "files/raw_file.h"

#include <concepts>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Lumidraft {

// One cell: an integer, a real (written so it reads back exactly) or a text (quoted as CSV
// requires). Texts are viewed, not copied: a row is written before its values go away.
class DataValue {
public:
    enum class Kind { integer, unsignedInteger, real, text };

    template <std::signed_integral T>
    DataValue(T value) : kind_(Kind::integer), integer_(value) {}
    template <std::unsigned_integral T>
    DataValue(T value) : kind_(Kind::unsignedInteger), unsigned_(value) {}
    DataValue(bool value) : kind_(Kind::integer), integer_(value ? 1 : 0) {}
    DataValue(double value) : kind_(Kind::real), real_(value) {}
    DataValue(float value) : kind_(Kind::real), real_(value) {}
    DataValue(const char* value) : DataValue(std::string_view(value ? value : "")) {}
    DataValue(std::string_view value) : kind_(Kind::text), text_{value.data(), value.size()} {}
    DataValue(const std::string& value) : DataValue(std::string_view(value)) {}

    Kind kind() const { return kind_; }
    long long integer() const { return integer_; }
    unsigned long long unsignedInteger() const { return unsigned_; }
    double real() const { return real_; }
    std::string_view text() const { return {text_.data, text_.size}; }

private:
    Kind kind_;
    // The text shares the number's place: a row's fields are built on every call, so smaller
    // is cheaper.
    struct Text {
        const char* data;
        std::size_t size;
    };
    union {
        long long integer_;
        unsigned long long unsigned_;
        double real_;
        Text text_;
    };
};

struct DataField {
    std::string_view name;
    DataValue value;
};

class DataFile {
public:
    // Creates the folder when missing, picks a name that no file has yet, opens the CSV and
    // writes the sidecar. Raises Exception (DataFile, "FILE ERROR") when the folder cannot be
    // made or written, before the experiment shows anything.
    explicit DataFile(const std::string& path);
    // Closes as close() does; a failure then goes to stderr.
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    // Writes one row. The first row names the columns (and writes the header with it); a later
    // row must have the same set of names, in any order, or Exception (DataFile, "COLUMN ERROR")
    // names the difference and nothing is written. Raises "FILE ERROR" when the system refuses
    // the write.
    void row(std::initializer_list<DataField> fields);
    void row(std::span<const DataField> fields);
    // Syncs the CSV to the disk and completes the sidecar. Later rows raise; later closes do nothing.
    void close();

    // The file written (s01-2.csv when s01.csv existed) and its sidecar.
    const std::string& path() const { return path_; }
    const std::string& sidecarPath() const { return sidecarPath_; }
    const std::vector<std::string>& columns() const { return columns_; }
    std::size_t rowCount() const { return rows_; }

    struct RunRecord;

private:
    void firstRow(std::span<const DataField> fields);
    void appendValue(const DataValue& value);
    void writeLine(std::string_view line);
    [[noreturn]] void columnMismatch(std::span<const DataField> fields) const;

    std::string path_;
    std::string sidecarPath_;
    std::vector<std::string> columns_;
    std::vector<std::size_t> order_; // a row's field for each column
    std::string line_;
    // A later row's text, grown when a row needs more (long texts), so a row allocates nothing.
    std::unique_ptr<char[]> buffer_;
    std::size_t bufferSize_ = 0;
    std::size_t rows_ = 0;
    bool closed_ = false;
    files::RawFile file_;
    std::unique_ptr<RunRecord> record_;
};

} // namespace Lumidraft
