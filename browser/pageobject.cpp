#include "browser/pageobject.h"

#include "browser/errors.h"
#include "browser/latebound.h"
#include "browser/pagebridge.h"
#include "browser/variant.h"

#include <QJsonArray>
#include <QJsonObject>

#include <unordered_map>

namespace {

// Member names become dispatch identifiers through one table for all page
// objects: resolution itself happens in the page, with the call.
class TNameTable {
public:
    DISPID Intern(const std::u16string &name)
    {
        const auto found = ids_.find(name);
        if (found != ids_.end())
            return found->second;
        names_.push_back(name);
        const DISPID id = static_cast<DISPID>(names_.size());
        ids_.emplace(name, id);
        return id;
    }
    const std::u16string *Name(DISPID id) const
    {
        if (id < 1 || static_cast<size_t>(id) > names_.size())
            return nullptr;
        return &names_[static_cast<size_t>(id) - 1];
    }

private:
    std::vector<std::u16string> names_;
    std::unordered_map<std::u16string, DISPID> ids_;
};

TNameTable &Names()
{
    static TNameTable table;
    return table;
}

QString KindText(TInvokeKind kind)
{
    switch (kind) {
    case TInvokeKind::Method:
        return QStringLiteral("method");
    case TInvokeKind::PropertyGet:
        return QStringLiteral("get");
    case TInvokeKind::MethodOrPropertyGet:
        return QStringLiteral("methodget");
    case TInvokeKind::PropertyPut:
        return QStringLiteral("put");
    }
    return QStringLiteral("method");
}

QJsonObject EncodeArgument(const Variant &arg, TPageBridge *bridge)
{
    const Variant &v = arg.Deref();
    switch (v.VType()) {
    case TVarType::Empty:
        return {{"t", "empty"}};
    case TVarType::Null:
        return {{"t", "null"}};
    case TVarType::Integer:
    case TVarType::ByRefInteger:
        return {{"t", "int"}, {"v", v.ToInteger()}};
    case TVarType::Double:
        return {{"t", "num"}, {"v", v.AsDouble()}};
    case TVarType::Boolean:
        return {{"t", "bool"}, {"v", v.AsBoolean()}};
    case TVarType::Text:
        return {{"t", "str"}, {"v", QString::fromStdU16String(v.AsText())}};
    case TVarType::Dispatch: {
        const auto object = std::dynamic_pointer_cast<TPageObject>(v.AsDispatch());
        if (object && object->Bridge() == bridge)
            return {{"t", "obj"}, {"doc", object->DocumentId()}, {"h", object->Handle()}};
        break;
    }
    default:
        break;
    }
    throw EOleSysError(ole::StatusText(ole::DISP_E_TYPEMISMATCH), ole::DISP_E_TYPEMISMATCH);
}

} // namespace

Variant DecodePageValue(const QJsonObject &value, TPageBridge *bridge, const QString &docId)
{
    const QString type = value.value(QLatin1String("t")).toString();
    const QJsonValue v = value.value(QLatin1String("v"));
    if (type == QLatin1String("null"))
        return Variant::Null();
    if (type == QLatin1String("int"))
        return Variant::FromInteger(v.toInt());
    if (type == QLatin1String("num"))
        return v.isString() ? Variant::FromDouble(v.toString().toDouble())
                            : Variant::FromDouble(v.toDouble());
    if (type == QLatin1String("bool"))
        return Variant::FromBoolean(v.toBool());
    if (type == QLatin1String("str"))
        return Variant::FromText(v.toString().toStdU16String());
    if (type == QLatin1String("obj"))
        return Variant::FromDispatch(std::make_shared<TPageObject>(
            bridge, docId, value.value(QLatin1String("h")).toInt()));
    return Variant();
}

HRESULT PageErrorStatus(const QJsonObject &error, TExcepInfo *excepInfo)
{
    const QString kind = error.value(QLatin1String("kind")).toString();
    if (kind == QLatin1String("unknownname"))
        return ole::DISP_E_UNKNOWNNAME;
    if (kind == QLatin1String("notcallable"))
        return ole::DISP_E_MEMBERNOTFOUND;
    if (kind == QLatin1String("gone"))
        return ole::RPC_E_DISCONNECTED;
    if (kind == QLatin1String("exception")) {
        if (excepInfo) {
            excepInfo->SCode = ole::DISP_E_EXCEPTION;
            excepInfo->Source = error.value(QLatin1String("name")).toString().toStdString();
            excepInfo->Description =
                error.value(QLatin1String("message")).toString().toStdString();
        }
        return ole::DISP_E_EXCEPTION;
    }
    return ole::E_FAIL;
}

void RaisePageCallError(const std::string &member, const QJsonObject &error)
{
    const QString kind = error.value(QLatin1String("kind")).toString();
    // What a call on something that is no object meets before it is made.
    if (kind == QLatin1String("badtarget"))
        throw EVariantInvalidOpError("Opération de variant incorrecte");
    if (kind == QLatin1String("unknownname"))
        throw EOleError("Méthode '" + member + "' non supportée par l'objet Automation");
    TExcepInfo excepInfo;
    RaiseInvokeError(PageErrorStatus(error, &excepInfo), excepInfo);
}

TPageObject::TPageObject(TPageBridge *bridge, QString docId, int handle)
    : bridge_(bridge), docId_(std::move(docId)), handle_(handle)
{
}

TPageObject::~TPageObject()
{
    if (bridge_ && handle_ != 0)
        bridge_->QueueRelease(docId_, handle_);
}

HRESULT TPageObject::GetIDsOfNames(const std::u16string &name, DISPID &id)
{
    if (!bridge_)
        return ole::RPC_E_DISCONNECTED;
    id = Names().Intern(name);
    return ole::S_OK;
}

HRESULT TPageObject::Invoke(DISPID id, TInvokeKind kind, std::vector<Variant> &args,
                            Variant *result, TExcepInfo *excepInfo)
{
    const std::u16string *name = Names().Name(id);
    if (!name)
        return ole::DISP_E_MEMBERNOTFOUND;
    if (!bridge_)
        return ole::RPC_E_DISCONNECTED;

    // The bridge takes its arguments first to last.
    QJsonArray encoded;
    for (auto arg = args.rbegin(); arg != args.rend(); ++arg)
        encoded.append(EncodeArgument(*arg, bridge_));
    const QJsonObject answer = bridge_->Request({{"op", "invoke"},
                                                 {"doc", docId_},
                                                 {"h", handle_},
                                                 {"name", QString::fromStdU16String(*name)},
                                                 {"kind", KindText(kind)},
                                                 {"args", encoded}});
    if (!answer.value(QLatin1String("ok")).toBool())
        return PageErrorStatus(answer.value(QLatin1String("error")).toObject(), excepInfo);
    if (result)
        *result = DecodePageValue(answer.value(QLatin1String("value")).toObject(), bridge_,
                              answer.value(QLatin1String("doc")).toString());
    return ole::S_OK;
}

bool TPageObject::IsInstanceOf(const char *domClass) const
{
    if (!bridge_)
        throw EOleSysError(ole::StatusText(ole::RPC_E_DISCONNECTED), ole::RPC_E_DISCONNECTED);
    const QJsonObject answer = bridge_->Request(
        {{"op", "is"}, {"doc", docId_}, {"h", handle_}, {"cls", QLatin1String(domClass)}});
    if (!answer.value(QLatin1String("ok")).toBool()) {
        TExcepInfo excepInfo;
        const HRESULT status =
            PageErrorStatus(answer.value(QLatin1String("error")).toObject(), &excepInfo);
        RaiseInvokeError(status, excepInfo);
    }
    return answer.value(QLatin1String("value")).toObject().value(QLatin1String("v")).toBool();
}

std::shared_ptr<TPageObject> AsPageObject(const Variant &value)
{
    const Variant &v = value.Deref();
    if (v.VType() != TVarType::Dispatch)
        return nullptr;
    return std::dynamic_pointer_cast<TPageObject>(v.AsDispatch());
}
