#include "formauto/fieldlister.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "formauto/calls.h"
#include "formauto/formlookup.h"

#include <QPlainTextEdit>

namespace {

const TCallDesc kName{TInvokeKind::Method, {}, "name"};
const TCallDesc kType{TInvokeKind::Method, {}, "type"};
const TCallDesc kValue{TInvokeKind::Method, {}, "value"};

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

void ListOnce(TEmbeddedWB &Control, QPlainTextEdit *Memo)
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
            const QString name = property(kName);
            const QString type = property(kType);
            const QString value = ValueOf(calls::Get(form, calls::ItemByValue, {i}));
            Memo->appendPlainText(name + QStringLiteral(" - ") + type + QStringLiteral(" - ") + value);
        }
    }
}

} // namespace

void ListFormFields(TEmbeddedWB &Control, QPlainTextEdit *Memo)
{
    // Show Fields may run inside a workflow's wait while the page is being
    // replaced: the page read may go in the middle of the listing. The
    // listing then starts again on the page shown by then, and a page still
    // on its way shows as no page at all.
    constexpr int kAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        try {
            ListOnce(Control, Memo);
            return;
        } catch (const EOleSysError &e) {
            if (e.ErrorCode() != ole::RPC_E_DISCONNECTED)
                throw;
            qCDebug(lcWorkflow) << "Show Fields: the page went while it was read";
            if (attempt == kAttempts) {
                Memo->clear();
                return;
            }
            // Lets the new page's first report arrive; no handler runs.
            Sleep(10);
        }
    }
}
