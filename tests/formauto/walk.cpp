// The element-by-element walk the form automation first did, one late-bound
// call per step: the reference the one-round-trip scans must agree with.
#include "tests/formauto/walk.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "formauto/calls.h"

#include <QPlainTextEdit>

namespace walk {

namespace {

const TCallDesc kName{TInvokeKind::Method, {}, "Name"};
const TCallDesc kType{TInvokeKind::Method, {}, "Type"};
const TCallDesc kListName{TInvokeKind::Method, {}, "name"};
const TCallDesc kListType{TInvokeKind::Method, {}, "type"};
const TCallDesc kValue{TInvokeKind::Method, {}, "value"};

} // namespace

bool PageHasForms(TEmbeddedWB &Control)
{
    const Variant document = calls::Get(Control.GetAutomationObject(), calls::Document);
    // Before the first page there is no document, and so no form.
    if (document.IsEmpty())
        return false;
    const Variant all = calls::Get(document, calls::All);
    const Variant tags = calls::Get(all, calls::Tags, {std::string("FORM")});
    return calls::Get(tags, calls::Length).ToInteger() != 0;
}

bool FindFormElement(TEmbeddedWB &Control, const std::string &ElementType,
                     const std::string &ElementName, int32_t Occurrence, int32_t &FoundFormIndex,
                     int32_t &FoundElementIndex)
{
    if (!PageHasForms(Control))
        return false;
    const int32_t lastForm = calls::Get(calls::DocumentForms(Control), calls::Length).ToInteger() - 1;
    for (int32_t f = 0; f <= lastForm; ++f) {
        const Variant form = calls::Get(calls::DocumentForms(Control), calls::ItemByValue, {f});
        const int32_t lastElement = calls::Get(form, calls::Length).ToInteger() - 1;
        for (int32_t i = 0; i <= lastElement; ++i) {
            try {
                const Variant name =
                    calls::Get(calls::Get(form, calls::ItemByValue, {i}), kName);
                if (name.ToUtf8() != ElementName)
                    continue;
                const Variant type =
                    calls::Get(calls::Get(form, calls::ItemByValue, {i}), kType);
                if (type.ToUtf8() != ElementType)
                    continue;
                if (--Occurrence > 0)
                    continue;
                FoundFormIndex = f;
                FoundElementIndex = i;
                return true;
            } catch (const EAbort &) {
                // The application is quitting: that is not an unreadable
                // element, and the workflow must unwind.
                throw;
            } catch (...) {
                return false;
            }
        }
    }
    return false;
}


// Empty and null properties show as empty text.
QString AsText(const Variant &value)
{
    if (value.IsEmpty() || value.IsNull())
        return {};
    return QString::fromStdU16String(value.ToText());
}

// A fieldset or an object is one of its form's elements but has no value;
// it shows an empty one.
QString ValueOf(const Variant &element)
{
    try {
        return AsText(calls::Get(element, kValue));
    } catch (const EOleSysError &) {
        throw;
    } catch (const EOleError &) {
        // Only the unknown member is an EOleError of its own class here.
        return {};
    }
}

void ListFormFields(TEmbeddedWB &Control, QPlainTextEdit *Memo)
{
    Memo->clear();
    if (!PageHasForms(Control))
        return;
    const int32_t lastForm = calls::Get(calls::DocumentForms(Control), calls::Length).ToInteger() - 1;
    for (int32_t f = 0; f <= lastForm; ++f) {
        const Variant form = calls::Get(calls::DocumentForms(Control), calls::ItemByValue, {f});
        const int32_t lastElement = calls::Get(form, calls::Length).ToInteger() - 1;
        for (int32_t i = 0; i <= lastElement; ++i) {
            const auto property = [&](const TCallDesc &desc) {
                return AsText(calls::Get(calls::Get(form, calls::ItemByValue, {i}), desc));
            };
            const QString name = property(kListName);
            const QString type = property(kListType);
            const QString value = ValueOf(calls::Get(form, calls::ItemByValue, {i}));
            Memo->appendPlainText(name + QStringLiteral(" - ") + type + QStringLiteral(" - ") + value);
        }
    }
}


} // namespace walk
