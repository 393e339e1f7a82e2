#include "formauto/formscan.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/pagebridge.h"
#include "browser/pageobject.h"
#include "formauto/calls.h"

std::optional<TDocumentAnswer> AskDocument(TEmbeddedWB &Control, QJsonObject Request,
                                           const std::string &FirstMember)
{
    const Variant document = calls::Get(Control.GetAutomationObject(), calls::Document);
    // Before the first page there is no document.
    if (document.IsEmpty())
        return std::nullopt;
    const std::shared_ptr<TPageObject> page = AsPageObject(document);
    if (!page)
        throw EVariantInvalidOpError("Opération de variant incorrecte");
    TPageBridge *bridge = page->Bridge();
    if (!bridge)
        RaisePageCallError(FirstMember, {{QStringLiteral("kind"), QStringLiteral("gone")}});
    Request.insert(QStringLiteral("doc"), page->DocumentId());
    const QJsonObject answer = bridge->Request(Request);
    if (!answer.value(QLatin1String("ok")).toBool())
        RaisePageCallError(FirstMember, answer.value(QLatin1String("error")).toObject());
    const QJsonObject value = answer.value(QLatin1String("value")).toObject();
    if (value.contains(QLatin1String("stop"))) {
        const QJsonObject stop = value.value(QLatin1String("stop")).toObject();
        RaisePageCallError(stop.value(QLatin1String("step")).toString().toStdString(),
                           stop.value(QLatin1String("e")).toObject());
    }
    return TDocumentAnswer{value, bridge, answer.value(QLatin1String("doc")).toString()};
}

std::optional<TFormScan> TFormScan::Run(TEmbeddedWB &Control, const QString &What,
                                        const std::string &Name)
{
    std::optional<TDocumentAnswer> answer =
        AskDocument(Control,
                    {{QStringLiteral("op"), QStringLiteral("scan")},
                     {QStringLiteral("what"), What},
                     {QStringLiteral("name"), QString::fromStdString(Name)}},
                    calls::All.Name);
    if (!answer)
        return std::nullopt;
    return TFormScan(std::move(answer->Value), answer->Bridge, std::move(answer->DocId));
}

TFormScan::TFormScan(QJsonObject Answer, TPageBridge *Bridge, QString DocId)
    : answer_(std::move(Answer)), bridge_(Bridge), docId_(std::move(DocId))
{
}

Variant TFormScan::Value(const QJsonValue &Step) const
{
    const QJsonObject step = Step.toObject();
    if (step.contains(QLatin1String("e")))
        RaisePageCallError(step.value(QLatin1String("step")).toString().toStdString(),
                           step.value(QLatin1String("e")).toObject());
    return DecodePageValue(step.value(QLatin1String("v")).toObject(), bridge_, docId_);
}
