// The element-by-element walk the form automation first did, one late-bound
// call per step: the reference the one-round-trip scans must agree with.
#include "tests/formauto/walk.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/messagepump.h"
#include "formauto/calls.h"
#include "formauto/fieldsetter.h"

#include <QPlainTextEdit>

namespace walk {

namespace {

const TCallDesc kName{TInvokeKind::Method, {}, "Name"};
const TCallDesc kType{TInvokeKind::Method, {}, "Type"};
const TCallDesc kListName{TInvokeKind::Method, {}, "name"};
const TCallDesc kListType{TInvokeKind::Method, {}, "type"};
const TCallDesc kValue{TInvokeKind::Method, {}, "value"};
const TCallDesc kTags{TInvokeKind::Method, {TArgType::Text}, "tags"};
const TCallDesc kLength{TInvokeKind::Method, {}, "Length"};
const TCallDesc kItemByValue{TInvokeKind::Method, {TArgType::Integer}, "Item"};
const TCallDesc kItemByRef{TInvokeKind::Method, {TArgType::IntegerRef}, "Item"};
const TCallDesc kFireEvent{TInvokeKind::Method, {TArgType::Text}, "FireEvent"};

// Document.forms, from the control's automation object.
Variant DocumentForms(TEmbeddedWB &Control)
{
    return calls::Get(calls::Get(Control.GetAutomationObject(), calls::Document), calls::Forms);
}

void NotifyChange(const IHTMLElement &Element)
{
    try {
        LateBoundCall(nullptr, Element.AsVariant(), kFireEvent, {std::string("ONCHANGE")});
    } catch (const EAbort &) {
        throw;
    } catch (...) {
        // A page that cannot take the notification still has its value.
    }
}

} // namespace

bool PageHasForms(TEmbeddedWB &Control)
{
    const Variant document = calls::Get(Control.GetAutomationObject(), calls::Document);
    // Before the first page there is no document, and so no form.
    if (document.IsEmpty())
        return false;
    const Variant all = calls::Get(document, calls::All);
    const Variant tags = calls::Get(all, kTags, {std::string("FORM")});
    return calls::Get(tags, kLength).ToInteger() != 0;
}

bool FindFormElement(TEmbeddedWB &Control, const std::string &ElementType,
                     const std::string &ElementName, int32_t Occurrence, int32_t &FoundFormIndex,
                     int32_t &FoundElementIndex)
{
    if (!PageHasForms(Control))
        return false;
    const int32_t lastForm = calls::Get(DocumentForms(Control), kLength).ToInteger() - 1;
    for (int32_t f = 0; f <= lastForm; ++f) {
        const Variant form = calls::Get(DocumentForms(Control), kItemByValue, {f});
        const int32_t lastElement = calls::Get(form, kLength).ToInteger() - 1;
        for (int32_t i = 0; i <= lastElement; ++i) {
            try {
                const Variant name =
                    calls::Get(calls::Get(form, kItemByValue, {i}), kName);
                if (name.ToUtf8() != ElementName)
                    continue;
                const Variant type =
                    calls::Get(calls::Get(form, kItemByValue, {i}), kType);
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
    const int32_t lastForm = calls::Get(DocumentForms(Control), kLength).ToInteger() - 1;
    for (int32_t f = 0; f <= lastForm; ++f) {
        const Variant form = calls::Get(DocumentForms(Control), kItemByValue, {f});
        const int32_t lastElement = calls::Get(form, kLength).ToInteger() - 1;
        for (int32_t i = 0; i <= lastElement; ++i) {
            const auto property = [&](const TCallDesc &desc) {
                return AsText(calls::Get(calls::Get(form, kItemByValue, {i}), desc));
            };
            const QString name = property(kListName);
            const QString type = property(kListType);
            const QString value = ValueOf(calls::Get(form, kItemByValue, {i}));
            Memo->appendPlainText(name + QStringLiteral(" - ") + type + QStringLiteral(" - ") + value);
        }
    }
}


void SetFormField(TEmbeddedWB &Control, const IHTMLFormElement &Form, const std::string &FieldName,
                  const std::string &Value, int32_t Index)
{
    // A form of a page that has since been left holds no field any more
    // (the deletion sets the password on the first page's form after that
    // page was left); it is treated like no form.
    if (!Form.IsNull() && !Form.IsOfGoneDocument()) {
        const IHTMLElement element(
            Form.item(Variant::FromUtf8(FieldName), Variant::FromInteger(Index)));
        if (!element.IsNull()) {
            const std::string tag = element.tagName();
            const std::u16string text = Utf8ToText(Value);
            if (tag == "INPUT") {
                const IHTMLInputElement input(element.AsVariant());
                if (input.type() == "radio" || input.type() == "checkbox")
                    input.set_checked(Value == "checked");
                else
                    input.set_value(text);
                NotifyChange(element);
            } else if (tag == "SELECT") {
                IHTMLSelectElement(element.AsVariant()).set_value(text);
                NotifyChange(element);
            } else if (tag == "TEXTAREA") {
                IHTMLTextAreaElement(element.AsVariant()).set_value(text);
            }
            WaitWhileBusy(Control);
        }
    }
    PumpMessages();
}

void CallFoundElement(TEmbeddedWB &Control, int32_t &FoundFormIndex, int32_t &FoundElementIndex,
                      const std::string &Method)
{
    const Variant form = calls::Get(DocumentForms(Control), kItemByRef, {&FoundFormIndex});
    const Variant element = calls::Get(form, kItemByRef, {&FoundElementIndex});
    LateBoundCall(nullptr, element, TCallDesc{TInvokeKind::Method, {}, Method});
}

} // namespace walk
