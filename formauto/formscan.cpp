#include "formauto/formscan.h"

#include "browser/embeddedwb.h"
#include "browser/errors.h"
#include "browser/pagebridge.h"
#include "browser/pageobject.h"
#include "formauto/calls.h"

std::optional<TFormScan> TFormScan::Run(TEmbeddedWB &Control, const QString &What,
                                        const std::string &Name)
{
    const Variant document = calls::Get(Control.GetAutomationObject(), calls::Document);
    // Before the first page there is no document, and so no form.
    if (document.IsEmpty())
        return std::nullopt;
    const std::shared_ptr<TPageObject> page = AsPageObject(document);
    if (!page)
        throw EVariantInvalidOpError("Opération de variant incorrecte");
    TPageBridge *bridge = page->Bridge();
    if (!bridge)
        RaisePageCallError(calls::All.Name, {{QStringLiteral("kind"), QStringLiteral("gone")}});
    const QJsonObject answer = bridge->Request({{QStringLiteral("op"), QStringLiteral("scan")},
                                                {QStringLiteral("doc"), page->DocumentId()},
                                                {QStringLiteral("what"), What},
                                                {QStringLiteral("name"), QString::fromStdString(Name)}});
    // A request that fails fails where the walk's first call would have.
    if (!answer.value(QLatin1String("ok")).toBool())
        RaisePageCallError(calls::All.Name, answer.value(QLatin1String("error")).toObject());
    const QJsonObject scan = answer.value(QLatin1String("value")).toObject();
    if (scan.contains(QLatin1String("stop"))) {
        const QJsonObject stop = scan.value(QLatin1String("stop")).toObject();
        RaisePageCallError(stop.value(QLatin1String("step")).toString().toStdString(),
                           stop.value(QLatin1String("e")).toObject());
    }
    return TFormScan(scan, bridge, answer.value(QLatin1String("doc")).toString());
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
