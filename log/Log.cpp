#include "log/Log.h"

#include <cstdarg>
#include <string>

#include "log/Logger.h"
#include "log/MessageFormat.h"

namespace kor {
namespace {

__attribute__((format(printf, 3, 0))) void WriteList(int32_t level, uint64_t groups, const char* format,
                                                     va_list args) {
    GetLogInterface()->write(level, static_cast<uint32_t>(groups), static_cast<uint32_t>(groups >> 32), format,
                             args);
}

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

std::string AssertionMessage(const char* expression, const char* description, const char* file, uint32_t line,
                             const char* function) {
    std::string message = "Assertion failed!\n\n";
    if (*file != '\0') message += FormatMessage("File: %1\n", file);
    if (line != 0) message += FormatMessage("Line: %1\n\n", line);
    if (*function != '\0') message += FormatMessage("Function: %1\n\n", function);
    if (*expression != '\0') message += FormatMessage("Expression: %1", expression);
    if (*description != '\0') message += FormatMessage("\n\nDescription: %1", description);
    return message;
}

}  // namespace

void LogWrite(int32_t level, uint64_t groups, const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteList(level, groups, format, args);
    va_end(args);
}

void LogError(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteList(kLogError, kLogGroupDbg, format, args);
    va_end(args);
}

void LogWarning(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteList(kLogWarn, kLogGroupDbg, format, args);
    va_end(args);
}

void LogAssertionReport(const char* expression, const char* description, const char* file, uint32_t line,
                        const char* function) {
    try {
        const std::string message = AssertionMessage(OrEmpty(expression), OrEmpty(description), OrEmpty(file),
                                                     line, OrEmpty(function));
        LogWrite(kLogError, kLogGroupDbg, "%s", message.c_str());
    } catch (...) {
        // Reporting must never add a failure of its own.
    }
}

void LogTrace(const char*, ...) {}

}  // namespace kor
