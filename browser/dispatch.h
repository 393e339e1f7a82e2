#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Variant;

// Status codes of the automation layer. Callers map them to error classes:
// a late-bound call raises EOleError for an unknown name, EOleException for a
// callee's exception and EOleSysError for the rest.
using HRESULT = int32_t;
using DISPID = int32_t;

namespace ole {
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);
// The object's page or renderer has gone.
constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108);
// A call was attempted from inside an engine callback, where it could never
// be answered.
constexpr HRESULT RPC_E_CANTCALLOUT_ININPUTSYNCCALL = static_cast<HRESULT>(0x8001010D);
// The page did not answer within the call's time bound.
constexpr HRESULT RPC_E_TIMEOUT = static_cast<HRESULT>(0x8001011F);

// The system's text for a status, without a final period; "Erreur OLE
// %.8X" for a status the table does not know.
std::string StatusText(HRESULT status);
} // namespace ole

enum class TInvokeKind { Method = 1, PropertyGet = 2, MethodOrPropertyGet = 3, PropertyPut = 4 };

// What a callee reports with DISP_E_EXCEPTION.
struct TExcepInfo {
    HRESULT SCode = ole::DISP_E_EXCEPTION;
    std::string Source;
    std::string Description;
    std::string HelpFile;
};

// Any object a variant can reference. Objects that can be called by name
// implement IDispatch; one that cannot stands for a bare unknown-interface
// reference.
class IUnknownObject {
public:
    virtual ~IUnknownObject() = default;
};

class IDispatch : public IUnknownObject {
public:
    // Resolves a member name without regard to letter case.
    virtual HRESULT GetIDsOfNames(const std::u16string &name, DISPID &id) = 0;
    // Arguments come last first, as the caller built them. A by-reference
    // argument may be written through.
    virtual HRESULT Invoke(DISPID id, TInvokeKind kind, std::vector<Variant> &args,
                           Variant *result, TExcepInfo *excepInfo) = 0;
};
