#include "browser/variant.h"

#include "browser/errors.h"

#include <QString>

#include <cmath>
#include <limits>

namespace {

[[noreturn]] void RaiseCastError(const Variant &from, const char *to)
{
    throw EVariantTypeCastError(std::string("Impossible de convertir le variant de type (") +
                                from.TypeName() + ") en type (" + to + ")");
}

double ParseNumber(const Variant &from, const std::u16string &text)
{
    const QString trimmed = QString::fromStdU16String(text).trimmed();
    bool ok = false;
    double value = trimmed.toDouble(&ok);
    if (!ok) {
        // The runtime also accepts the French decimal comma.
        QString comma = trimmed;
        value = comma.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    }
    if (!ok)
        RaiseCastError(from, "Double");
    return value;
}

} // namespace

Variant Variant::Null()
{
    Variant v;
    v.value_ = TNull{};
    return v;
}

Variant Variant::FromInteger(int32_t value)
{
    Variant v;
    v.value_ = value;
    return v;
}

Variant Variant::FromDouble(double value)
{
    Variant v;
    v.value_ = value;
    return v;
}

Variant Variant::FromBoolean(bool value)
{
    Variant v;
    v.value_ = TBool{value};
    return v;
}

Variant Variant::FromText(std::u16string value)
{
    Variant v;
    v.value_ = std::move(value);
    return v;
}

Variant Variant::FromUtf8(const std::string &value)
{
    return FromText(Utf8ToText(value));
}

Variant Variant::FromDispatch(std::shared_ptr<IDispatch> object)
{
    Variant v;
    v.value_ = std::move(object);
    return v;
}

Variant Variant::FromUnknown(std::shared_ptr<IUnknownObject> object)
{
    Variant v;
    v.value_ = std::move(object);
    return v;
}

Variant Variant::ByRef(int32_t *target)
{
    Variant v;
    v.value_ = TIntRef{target};
    return v;
}

Variant Variant::ByRef(Variant *target)
{
    Variant v;
    v.value_ = TVarRef{target};
    return v;
}

const Variant &Variant::Deref() const
{
    const Variant *v = this;
    while (v->VType() == TVarType::ByRefVariant)
        v = v->AsVariantRef();
    return *v;
}

const char *Variant::TypeName() const
{
    switch (VType()) {
    case TVarType::Empty:
        return "Empty";
    case TVarType::Null:
        return "Null";
    case TVarType::Integer:
    case TVarType::ByRefInteger:
        return "Integer";
    case TVarType::Double:
        return "Double";
    case TVarType::Boolean:
        return "Boolean";
    case TVarType::Text:
        return "OleStr";
    case TVarType::Dispatch:
        return "Dispatch";
    case TVarType::Unknown:
        return "Unknown";
    case TVarType::ByRefVariant:
        return Deref().TypeName();
    }
    return "Unknown";
}

double Variant::ToDouble() const
{
    const Variant &v = Deref();
    switch (v.VType()) {
    case TVarType::Empty:
        return 0;
    case TVarType::Integer:
        return v.AsInteger();
    case TVarType::ByRefInteger:
        return *v.AsIntegerRef();
    case TVarType::Double:
        return v.AsDouble();
    case TVarType::Boolean:
        return v.AsBoolean() ? -1 : 0;
    case TVarType::Text:
        return ParseNumber(v, v.AsText());
    default:
        RaiseCastError(v, "Double");
    }
}

int32_t Variant::ToInteger() const
{
    const Variant &v = Deref();
    switch (v.VType()) {
    case TVarType::Integer:
        return v.AsInteger();
    case TVarType::ByRefInteger:
        return *v.AsIntegerRef();
    case TVarType::Empty:
    case TVarType::Double:
    case TVarType::Boolean:
    case TVarType::Text: {
        // Rounded half to even: 2.5 gives 2 and 3.5 gives 4.
        const double value = std::nearbyint(v.ToDouble());
        if (!(value >= std::numeric_limits<int32_t>::min() &&
              value <= std::numeric_limits<int32_t>::max()))
            throw EVariantOverflowError(
                std::string("Débordement lors de la conversion du variant de type (") +
                v.TypeName() + ") en type (Integer)");
        return static_cast<int32_t>(value);
    }
    default:
        RaiseCastError(v, "Integer");
    }
}

std::u16string Variant::ToText() const
{
    const Variant &v = Deref();
    switch (v.VType()) {
    case TVarType::Empty:
        return {};
    case TVarType::Integer:
    case TVarType::ByRefInteger:
        return QString::number(v.ToInteger()).toStdU16String();
    case TVarType::Double:
        return QString::number(v.AsDouble(), 'g', 15).toStdU16String();
    case TVarType::Boolean:
        return v.AsBoolean() ? u"True" : u"False";
    case TVarType::Text:
        return v.AsText();
    default:
        RaiseCastError(v, "OleStr");
    }
}

std::string Variant::ToUtf8() const
{
    return TextToUtf8(ToText());
}

std::u16string Utf8ToText(const std::string &text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU16String();
}

std::string TextToUtf8(const std::u16string &text)
{
    return QString::fromStdU16String(text).toStdString();
}
