// The engine's exception classes. Every failure inside the engine is raised as
// one of these with a fixed English message; callers show the message as is.
#pragma once

#include <source_location>
#include <stdexcept>
#include <string>

namespace vidmorph {

// Base of every exception the engine raises; carries only a message.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A failure of the engine with one of its documented message texts.
class FFMpegException : public Exception {
public:
    using Exception::Exception;
};

// A text that is not a number where a number is needed
// ("'%s' is not a valid integer value", "'%s' is not a valid floating point value").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A broken precondition; the message begins with the condition's text and
// ends with the place that checked it.
class EAssertionFailed : public Exception {
public:
    EAssertionFailed(const std::string& message,
                     std::source_location where = std::source_location::current());
};

}  // namespace vidmorph
