#include "browser/htmlinterfaces.h"

#include "browser/errors.h"
#include "browser/latebound.h"
#include "browser/pagebridge.h"
#include "browser/pageobject.h"

#include <QJsonObject>

namespace {

// A typed call fails with the page's description, trimmed; without one, with
// the text of its status.
[[noreturn]] void RaiseTypedCallError(HRESULT status, const TExcepInfo &excepInfo)
{
    std::string message = TrimExceptionDescription(excepInfo.Description);
    if (message.empty())
        message = ole::StatusText(status == ole::DISP_E_EXCEPTION ? excepInfo.SCode : status);
    throw EOleException(message, status, excepInfo.Source);
}

} // namespace

void RaiseTypedPageError(const QJsonObject &error)
{
    TExcepInfo excepInfo;
    RaiseTypedCallError(PageErrorStatus(error, &excepInfo), excepInfo);
}

THtmlInterface::THtmlInterface(const Variant &value, const char *domClass)
{
    const Variant &v = value.Deref();
    if (v.IsEmpty() || v.IsNull())
        return;
    if (v.VType() == TVarType::Dispatch && !v.AsDispatch())
        return;
    std::shared_ptr<TPageObject> object = AsPageObject(v);
    if (!object || !object->IsInstanceOf(domClass))
        throw EIntfCastError("Interface non supportée");
    object_ = std::move(object);
}

bool THtmlInterface::IsOfGoneDocument() const
{
    return object_ &&
           (!object_->Bridge() || object_->DocumentId() != object_->Bridge()->DocumentId());
}

Variant THtmlInterface::AsVariant() const
{
    return object_ ? Variant::FromDispatch(object_) : Variant();
}

Variant THtmlInterface::Invoke(const char *name, TInvokeKind kind,
                               std::vector<Variant> argsLastFirst) const
{
    if (!object_)
        throw EOleException(ole::StatusText(ole::E_POINTER), ole::E_POINTER);
    DISPID id = 0;
    object_->GetIDsOfNames(Utf8ToText(name), id);
    Variant result;
    TExcepInfo excepInfo;
    const HRESULT status = object_->Invoke(id, kind, argsLastFirst, &result, &excepInfo);
    if (status != ole::S_OK)
        RaiseTypedCallError(status, excepInfo);
    return result;
}

Variant THtmlInterface::Call(const char *name, std::vector<Variant> argsFirstToLast) const
{
    return Invoke(name, TInvokeKind::Method, {argsFirstToLast.rbegin(), argsFirstToLast.rend()});
}

Variant THtmlInterface::Get(const char *name) const
{
    return Invoke(name, TInvokeKind::PropertyGet, {});
}

void THtmlInterface::Put(const char *name, const Variant &value) const
{
    Invoke(name, TInvokeKind::PropertyPut, {value});
}
