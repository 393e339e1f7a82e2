#include "formauto/fieldsetter.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/messagepump.h"
#include "browser/tickclock.h"
#include "browser/pagebridge.h"
#include "browser/pageobject.h"
#include "formauto/calls.h"

#include <QJsonObject>

namespace {

constexpr uint32_t kBusyLimitMs = 10000;

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
        // One round trip: the page finds the field and sets it by its tag,
        // the checked state of a radio or a check box, the value otherwise,
        // and sends the change event to an input or a list.
        const TPageObject &form = *Form.PageObject();
        TPageBridge *bridge = form.Bridge();
        const int serial = bridge->NewSerial();
        QJsonObject answer;
        try {
            answer = bridge->Request(
                {{QStringLiteral("op"), QStringLiteral("setfield")},
                 {QStringLiteral("doc"), form.DocumentId()},
                 {QStringLiteral("h"), form.Handle()},
                 {QStringLiteral("name"), QString::fromStdU16String(Utf8ToText(FieldName))},
                 {QStringLiteral("index"), Index},
                 {QStringLiteral("value"), QString::fromStdU16String(Utf8ToText(Value))},
                 {QStringLiteral("checked"), Value == "checked"},
                 {QStringLiteral("serial"), serial}});
        } catch (const EOleSysError &) {
            // A change handler that outlasts the call's time bound (or takes
            // the page down) leaves the field set: the setting goes on as
            // when the event fails.
            if (!bridge->Settled(serial))
                throw;
            answer = {{QStringLiteral("ok"), true},
                      {QStringLiteral("value"), QJsonObject{{QStringLiteral("set"), true}}}};
        }
        if (!answer.value(QLatin1String("ok")).toBool())
            RaiseTypedPageError(answer.value(QLatin1String("error")).toObject());
        const QJsonObject result = answer.value(QLatin1String("value")).toObject();
        if (result.contains(QLatin1String("stop"))) {
            const QJsonObject stop = result.value(QLatin1String("stop")).toObject();
            if (stop.value(QLatin1String("kind")).toString() == QLatin1String("cast"))
                throw EIntfCastError("Interface non supportée");
            RaiseTypedPageError(stop.value(QLatin1String("e")).toObject());
        }
        if (result.value(QLatin1String("set")).toBool())
            WaitWhileBusy(Control);
    }
    PumpMessages();
}
