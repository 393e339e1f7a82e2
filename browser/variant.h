#pragma once

#include "browser/dispatch.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>

// The value of a late-bound call: a type tag and a value. An object
// reference holds one counted reference to its object, released when the
// variant is cleared, overwritten or destroyed; for a page object that
// release frees its handle in the page.
enum class TVarType {
    Empty,
    Null,
    Integer,
    Double,
    Boolean,
    Text,
    Dispatch,
    Unknown,
    ByRefInteger,
    ByRefVariant,
};

class Variant {
public:
    Variant() = default;

    static Variant Null();
    static Variant FromInteger(int32_t value);
    static Variant FromDouble(double value);
    static Variant FromBoolean(bool value);
    static Variant FromText(std::u16string value);
    static Variant FromUtf8(const std::string &value);
    static Variant FromDispatch(std::shared_ptr<IDispatch> object);
    static Variant FromUnknown(std::shared_ptr<IUnknownObject> object);
    static Variant ByRef(int32_t *target);
    static Variant ByRef(Variant *target);

    TVarType VType() const { return static_cast<TVarType>(value_.index()); }
    bool IsEmpty() const { return VType() == TVarType::Empty; }
    bool IsNull() const { return VType() == TVarType::Null; }
    void Clear() { value_.emplace<0>(); }

    // A reference variant stands for what it refers to.
    const Variant &Deref() const;

    int32_t AsInteger() const { return std::get<int32_t>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    bool AsBoolean() const { return std::get<TBool>(value_).value; }
    const std::u16string &AsText() const { return std::get<std::u16string>(value_); }
    const std::shared_ptr<IDispatch> &AsDispatch() const
    {
        return std::get<std::shared_ptr<IDispatch>>(value_);
    }
    const std::shared_ptr<IUnknownObject> &AsUnknown() const
    {
        return std::get<std::shared_ptr<IUnknownObject>>(value_);
    }
    int32_t *AsIntegerRef() const { return std::get<TIntRef>(value_).target; }
    Variant *AsVariantRef() const { return std::get<TVarRef>(value_).target; }

    // Conversions with the runtime's rules: empty is 0 or "", a boolean is
    // -1 or 0, a text is parsed; null and objects do not convert and raise
    // EVariantTypeCastError.
    int32_t ToInteger() const;
    double ToDouble() const;
    std::u16string ToText() const;
    std::string ToUtf8() const;

    // The name of the type tag, as the runtime's conversion errors spell it.
    const char *TypeName() const;

private:
    struct TNull {};
    struct TBool {
        bool value;
    };
    struct TIntRef {
        int32_t *target;
    };
    struct TVarRef {
        Variant *target;
    };

    // The alternatives are in the order of TVarType.
    std::variant<std::monostate, TNull, int32_t, double, TBool, std::u16string,
                 std::shared_ptr<IDispatch>, std::shared_ptr<IUnknownObject>, TIntRef, TVarRef>
        value_;
};

std::u16string Utf8ToText(const std::string &text);
std::string TextToUtf8(const std::u16string &text);
