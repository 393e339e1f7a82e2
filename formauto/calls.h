#pragma once

#include "browser/embeddedwb.h"
#include "browser/latebound.h"

// The late-bound call sites of the form automation, each with its constant
// description, and the chains they make from the browser's automation object.
namespace calls {

inline const TCallDesc Document{TInvokeKind::Method, {}, "Document"};
inline const TCallDesc Forms{TInvokeKind::Method, {}, "forms"};
inline const TCallDesc All{TInvokeKind::Method, {}, "all"};
inline const TCallDesc Tags{TInvokeKind::Method, {TArgType::Text}, "tags"};
inline const TCallDesc Length{TInvokeKind::Method, {}, "Length"};
inline const TCallDesc ItemByValue{TInvokeKind::Method, {TArgType::Integer}, "Item"};
inline const TCallDesc ItemByRef{TInvokeKind::Method, {TArgType::IntegerRef}, "Item"};
inline const TCallDesc FireEvent{TInvokeKind::Method, {TArgType::Text}, "FireEvent"};

// One call that wants its result.
inline Variant Get(const Variant &target, const TCallDesc &desc, const std::vector<TCallArg> &args = {})
{
    Variant result;
    LateBoundCall(&result, target, desc, args);
    return result;
}

// Document.forms, from the control's automation object.
inline Variant DocumentForms(TEmbeddedWB &Control)
{
    return Get(Get(Control.GetAutomationObject(), Document), Forms);
}

} // namespace calls
