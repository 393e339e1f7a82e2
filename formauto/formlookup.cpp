#include "formauto/formlookup.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "formauto/calls.h"
#include "formauto/formscan.h"

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
    const std::optional<TFormScan> scan = TFormScan::Run(Control, QStringLiteral("hasforms"));
    return scan && scan->HasForms();
}

bool FindFormElement(TEmbeddedWB &Control, const std::string &ElementType,
                     const std::string &ElementName, int32_t Occurrence, int32_t &FoundFormIndex,
                     int32_t &FoundElementIndex)
{
    // The page sends the elements whose name may match, in document order,
    // up to the first one that cannot be read; the names and types are
    // compared here, as the element-by-element walk compares them.
    const std::optional<TFormScan> scan = TFormScan::Run(Control, QStringLiteral("find"), ElementName);
    if (!scan || !scan->HasForms())
        return false;
    for (const QJsonValue &candidate : scan->Candidates()) {
        const QJsonObject element = candidate.toObject();
        try {
            if (scan->Value(element.value(QLatin1String("name"))).ToUtf8() != ElementName)
                continue;
            if (scan->Value(element.value(QLatin1String("type"))).ToUtf8() != ElementType)
                continue;
            if (--Occurrence > 0)
                continue;
            FoundFormIndex = element.value(QLatin1String("f")).toInt();
            FoundElementIndex = element.value(QLatin1String("i")).toInt();
            return true;
        } catch (const EAbort &) {
            // The application is quitting: that is not an unreadable
            // element, and the workflow must unwind.
            throw;
        } catch (...) {
            return false;
        }
    }
    return false;
}

void CallFoundElement(TEmbeddedWB &Control, int32_t &FoundFormIndex, int32_t &FoundElementIndex,
                      const std::string &Method)
{
    // One round trip for document.forms.Item(form).Item(element).Method().
    const std::optional<TDocumentAnswer> answer =
        AskDocument(Control,
                    {{QStringLiteral("op"), QStringLiteral("callat")},
                     {QStringLiteral("f"), FoundFormIndex},
                     {QStringLiteral("i"), FoundElementIndex},
                     {QStringLiteral("method"), QString::fromStdString(Method)}},
                    calls::Forms.Name);
    // Without a document, there are no forms to call into.
    if (!answer)
        throw EVariantInvalidOpError("Opération de variant incorrecte");
}
