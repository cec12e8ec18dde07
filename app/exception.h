// Exception: the framework's one error value: the class that raised it, a short kind heading
// and a sentence, shown to the user as "class Lumidraft::Canvas [ARGUMENT ERROR] ...".
#pragma once

#include <exception>
#include <string>
#include <typeinfo>

namespace Lumidraft {

class Exception : public std::exception {
public:
    Exception();
    explicit Exception(const char* message);
    explicit Exception(const std::string& message);
    explicit Exception(const std::type_info& raiser);
    Exception(const std::type_info& raiser, const char* kind);
    Exception(const std::type_info& raiser, const std::string& kind);
    Exception(const std::type_info& raiser, const char* kind, const char* message);
    Exception(const std::type_info& raiser, const std::string& kind, const std::string& message);

    const std::type_info& raisingClass() const noexcept { return *raiser_; }
    const std::string& kind() const noexcept { return kind_; }
    const std::string& message() const noexcept { return message_; }

    // The text shown to the user: readable class name, " [", kind, "] ", message.
    std::string displayText() const { return text_; }
    const char* what() const noexcept override { return text_.c_str(); }

private:
    void compose();

    const std::type_info* raiser_;
    std::string kind_;
    std::string message_;
    std::string text_;
};

// "class " plus the namespace-qualified name, the same on every compiler.
std::string readableClassName(const std::type_info& type);

} // namespace Lumidraft
