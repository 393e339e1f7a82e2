#include "formauto/fieldlister.h"

#include "browser/embeddedwb.h"
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

} // namespace

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
            const QString name = property(kName);
            const QString type = property(kType);
            const QString value = property(kValue);
            Memo->appendPlainText(name + QStringLiteral(" - ") + type + QStringLiteral(" - ") + value);
        }
    }
}
