#pragma once

#include "browser/variant.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

// The description of one late-bound call site: what kind of call it makes,
// the types of its arguments and the member's name as the call site writes
// it. Descriptions are constants of their call sites.
enum class TArgType { Integer, IntegerRef, Text };

struct TCallDesc {
    TInvokeKind CallType = TInvokeKind::Method;
    std::vector<TArgType> ArgTypes;
    std::string Name;
};

// One argument: a 32-bit integer by value, a reference to the caller's
// integer (the callee may change it), or a UTF-8 text.
using TCallArg = std::variant<int32_t, int32_t *, std::string>;

// Calls the member Desc.Name on the object Target holds. A method call with
// no arguments that wants a result also reads a property of that name. The
// result, if wanted, is written into *Result, which is left empty when the
// call fails.
void LateBoundCall(Variant *Result, const Variant &Target, const TCallDesc &Desc,
                   const std::vector<TCallArg> &Args = {});

// The description of an EOleException: the callee's text without trailing
// blanks, control characters and periods.
std::string TrimExceptionDescription(const std::string &description);

// Raises the error for a failed Invoke status.
[[noreturn]] void RaiseInvokeError(HRESULT status, const TExcepInfo &excepInfo);
