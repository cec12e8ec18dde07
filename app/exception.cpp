#include "app/exception.h"

#if defined(__GNUG__) || defined(__clang__)
#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#endif

namespace Lumidraft {

std::string readableClassName(const std::type_info& type)
{
#if defined(_MSC_VER)
    // MSVC already prints "class Lumidraft::Canvas".
    return type.name();
#else
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    return std::string("class ") + (status == 0 && demangled ? demangled.get() : type.name());
#endif
}

Exception::Exception() : raiser_(&typeid(Exception)) { compose(); }

Exception::Exception(const char* message) : raiser_(&typeid(Exception)), message_(message ? message : "")
{
    compose();
}

Exception::Exception(const std::string& message) : raiser_(&typeid(Exception)), message_(message) { compose(); }

Exception::Exception(const std::type_info& raiser) : raiser_(&raiser) { compose(); }

Exception::Exception(const std::type_info& raiser, const char* kind) : raiser_(&raiser), kind_(kind ? kind : "")
{
    compose();
}

Exception::Exception(const std::type_info& raiser, const std::string& kind) : raiser_(&raiser), kind_(kind)
{
    compose();
}

Exception::Exception(const std::type_info& raiser, const char* kind, const char* message)
    : raiser_(&raiser), kind_(kind ? kind : ""), message_(message ? message : "")
{
    compose();
}

Exception::Exception(const std::type_info& raiser, const std::string& kind, const std::string& message)
    : raiser_(&raiser), kind_(kind), message_(message)
{
    compose();
}

void Exception::compose() { text_ = readableClassName(*raiser_) + " [" + kind_ + "] " + message_; }

} // namespace Lumidraft
