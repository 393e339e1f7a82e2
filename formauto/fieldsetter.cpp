#include "formauto/fieldsetter.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/messagepump.h"
#include "browser/tickclock.h"
#include "formauto/calls.h"

namespace {

constexpr uint32_t kBusyLimitMs = 10000;

void NotifyChange(const IHTMLElement &Element)
{
    try {
        LateBoundCall(nullptr, Element.AsVariant(), calls::FireEvent, {std::string("ONCHANGE")});
    } catch (const EAbort &) {
        throw;
    } catch (...) {
        // A page that cannot take the notification still has its value.
    }
}

} // namespace

void WaitWhileBusy(TEmbeddedWB &Control)
{
    const uint32_t start = GetTickCount();
    while (Control.ReadProperty(DISPID_BUSY).AsBoolean()) {
        if (QuitRequested() || static_cast<uint32_t>(GetTickCount() - start) > kBusyLimitMs)
            break;
        PumpMessages();
        Sleep(50);
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
