#include "formauto/formlookup.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "formauto/calls.h"

namespace {

const TCallDesc kName{TInvokeKind::Method, {}, "Name"};
const TCallDesc kType{TInvokeKind::Method, {}, "Type"};

} // namespace

IHTMLFormElement GetFormByIndex(const IHTMLDocument2 &Document, int32_t Index)
{
    if (Document.IsNull())
        return {};
    const IHTMLElementCollection forms(Document.forms());
    if (Index < forms.length())
        return IHTMLFormElement(forms.item(Variant::FromInteger(Index), Variant::FromUtf8("")));
    return {};
}

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

void CallFoundElement(TEmbeddedWB &Control, int32_t &FoundFormIndex, int32_t &FoundElementIndex,
                      const std::string &Method)
{
    const Variant form = calls::Get(calls::DocumentForms(Control), calls::ItemByRef, {&FoundFormIndex});
    const Variant element = calls::Get(form, calls::ItemByRef, {&FoundElementIndex});
    LateBoundCall(nullptr, element, TCallDesc{TInvokeKind::Method, {}, Method});
}
