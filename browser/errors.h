#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The error classes the tool raises. Each carries a French message (UTF-8)
// and is caught by class: the application's error handler drops EAbort and
// shows the others, so the class hierarchy matters as much as the text.

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string &message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
    virtual const char *ClassName() const { return "Exception"; }
};

#define NVK_ERROR_CLASS(Name, Base)                                      \
    class Name : public Base {                                           \
    public:                                                              \
        using Base::Base;                                                \
        const char *ClassName() const override { return #Name; }         \
    }

NVK_ERROR_CLASS(EAbort, Exception);
NVK_ERROR_CLASS(EConvertError, Exception);
NVK_ERROR_CLASS(EInvalidOperation, Exception);
NVK_ERROR_CLASS(EIntfCastError, Exception);
NVK_ERROR_CLASS(EVariantError, Exception);
NVK_ERROR_CLASS(EVariantInvalidOpError, EVariantError);
NVK_ERROR_CLASS(EVariantTypeCastError, EVariantError);
NVK_ERROR_CLASS(EVariantOverflowError, EVariantError);
NVK_ERROR_CLASS(EOleError, Exception);

#undef NVK_ERROR_CLASS

// A failure status of the automation layer, with the system's text for it.
class EOleSysError : public EOleError {
public:
    EOleSysError(const std::string &message, int32_t errorCode)
        : EOleError(message), errorCode_(errorCode) {}
    const char *ClassName() const override { return "EOleSysError"; }
    int32_t ErrorCode() const { return errorCode_; }

private:
    int32_t errorCode_;
};

// An exception raised by the callee (a page script, the document model).
class EOleException : public EOleSysError {
public:
    EOleException(const std::string &message, int32_t errorCode, std::string source = {},
                  std::string helpFile = {})
        : EOleSysError(message, errorCode), source_(std::move(source)),
          helpFile_(std::move(helpFile)) {}
    const char *ClassName() const override { return "EOleException"; }
    const std::string &Source() const { return source_; }
    const std::string &HelpFile() const { return helpFile_; }

private:
    std::string source_;
    std::string helpFile_;
};
