#pragma once

#include "browser/latebound.h"

// The late-bound call sites of the form automation, each with its constant
// description.
namespace calls {

inline const TCallDesc Document{TInvokeKind::Method, {}, "Document"};
inline const TCallDesc Forms{TInvokeKind::Method, {}, "forms"};
inline const TCallDesc All{TInvokeKind::Method, {}, "all"};

// One call that wants its result.
inline Variant Get(const Variant &target, const TCallDesc &desc, const std::vector<TCallArg> &args = {})
{
    Variant result;
    LateBoundCall(&result, target, desc, args);
    return result;
}

} // namespace calls
