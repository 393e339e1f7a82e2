#include "formauto/fieldlister.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "formauto/calls.h"
#include "formauto/formlookup.h"
#include "formauto/formscan.h"

#include <QPlainTextEdit>

namespace {

// Empty and null properties show as empty text.
QString AsText(const Variant &value)
{
    if (value.IsEmpty() || value.IsNull())
        return {};
    return QString::fromStdU16String(value.ToText());
}

// A fieldset or an object is one of its form's elements but has no value;
// it shows an empty one.
QString ValueOf(const TFormScan &scan, const QJsonValue &value)
{
    try {
        return AsText(scan.Value(value));
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
    const std::optional<TFormScan> scan = TFormScan::Run(Control, QStringLiteral("list"));
    if (!scan || !scan->HasForms())
        return;
    // The page sends every element up to the first one whose name or type
    // cannot be read; the lines before that one are shown, then its error.
    QStringList lines;
    const auto show = [&] {
        if (!lines.isEmpty())
            Memo->setPlainText(lines.join(QLatin1Char('\n')));
    };
    try {
        for (const QJsonValue &entry : scan->Entries()) {
            const QJsonObject element = entry.toObject();
            const QString name = AsText(scan->Value(element.value(QLatin1String("name"))));
            const QString type = AsText(scan->Value(element.value(QLatin1String("type"))));
            const QString value = ValueOf(*scan, element.value(QLatin1String("value")));
            lines.append(name + QStringLiteral(" - ") + type + QStringLiteral(" - ") + value);
        }
    } catch (...) {
        show();
        throw;
    }
    show();
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
