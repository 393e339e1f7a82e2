#include "browser/latebound.h"

#include "browser/errors.h"

#include <cassert>

namespace {

constexpr size_t kMaxDispatchArgs = 64;

} // namespace

std::string TrimExceptionDescription(const std::string &description)
{
    size_t length = description.size();
    while (length > 0) {
        const unsigned char last = static_cast<unsigned char>(description[length - 1]);
        if (last > ' ' && last != '.')
            break;
        --length;
    }
    return description.substr(0, length);
}

void RaiseInvokeError(HRESULT status, const TExcepInfo &excepInfo)
{
    if (status == ole::DISP_E_EXCEPTION) {
        std::string message = TrimExceptionDescription(excepInfo.Description);
        if (message.empty())
            message = ole::StatusText(excepInfo.SCode);
        throw EOleException(message, excepInfo.SCode, excepInfo.Source, excepInfo.HelpFile);
    }
    throw EOleSysError(ole::StatusText(status), status);
}

void LateBoundCall(Variant *Result, const Variant &Target, const TCallDesc &Desc,
                   const std::vector<TCallArg> &Args)
{
    assert(Args.size() == Desc.ArgTypes.size());
    const Variant &target = Target.Deref();

    if (target.VType() != TVarType::Dispatch && target.VType() != TVarType::Unknown)
        throw EVariantInvalidOpError("Opération de variant incorrecte");
    if (Desc.ArgTypes.size() > kMaxDispatchArgs)
        throw EOleError("Les méthodes Dispatch ne gèrent pas plus de 64 paramètres");
    if (target.VType() == TVarType::Unknown)
        throw EOleError("Le variant ne référence pas un objet Automation");
    // A variant that claims an object but holds none has nothing to call.
    const std::shared_ptr<IDispatch> object = target.AsDispatch();
    if (!object)
        throw EVariantInvalidOpError("Opération de variant incorrecte");

    DISPID id = 0;
    const HRESULT resolved = object->GetIDsOfNames(Utf8ToText(Desc.Name), id);
    if (resolved == ole::DISP_E_UNKNOWNNAME)
        throw EOleError("Méthode '" + Desc.Name + "' non supportée par l'objet Automation");
    if (resolved != ole::S_OK)
        throw EOleSysError(ole::StatusText(resolved), resolved);

    std::vector<Variant> args;
    args.reserve(Args.size());
    for (size_t i = Args.size(); i-- > 0;) {
        const TCallArg &arg = Args[i];
        switch (Desc.ArgTypes[i]) {
        case TArgType::Integer:
            args.push_back(Variant::FromInteger(std::get<int32_t>(arg)));
            break;
        case TArgType::IntegerRef:
            args.push_back(Variant::ByRef(std::get<int32_t *>(arg)));
            break;
        case TArgType::Text:
            args.push_back(Variant::FromUtf8(std::get<std::string>(arg)));
            break;
        }
    }

    TInvokeKind kind = Desc.CallType;
    if (kind == TInvokeKind::Method && args.empty() && Result)
        kind = TInvokeKind::MethodOrPropertyGet;

    // Page objects resolve the name together with the call, in one round
    // trip; an unknown name found there is reported as at resolution.
    Variant returned;
    TExcepInfo excepInfo;
    HRESULT status = ole::E_FAIL;
    try {
        status = object->Invoke(id, kind, args, &returned, &excepInfo);
    } catch (...) {
        if (Result)
            Result->Clear();
        throw;
    }
    if (status == ole::DISP_E_UNKNOWNNAME)
        throw EOleError("Méthode '" + Desc.Name + "' non supportée par l'objet Automation");
    if (Result)
        *Result = status == ole::S_OK ? std::move(returned) : Variant();
    if (status != ole::S_OK)
        RaiseInvokeError(status, excepInfo);
}
