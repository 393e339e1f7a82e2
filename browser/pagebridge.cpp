#include "browser/pagebridge.h"

#include "browser/dispatch.h"
#include "browser/errors.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "browser/typedfile.h"
#include "journal/journal.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <memory>

// Resources of a static library must be registered by name.
static void InitBridgeResources()
{
    Q_INIT_RESOURCE(browser);
}

namespace {

const QString kScriptName = QStringLiteral("nvk-bridge");

QString MakeToken()
{
    QString token = QStringLiteral("nvk:");
    for (int i = 0; i < 4; ++i)
        token += QString::number(QRandomGenerator::system()->generate(), 16);
    return token + QLatin1Char(':');
}

QString BridgeSource()
{
    QFile file(QStringLiteral(":/nvk/browser/bridge.js"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the page bridge script is missing from the resources");
    return QString::fromUtf8(file.readAll());
}

// Every value crosses into the page through this one encoder: JSON, which is
// also a JavaScript expression.
QString ToScript(const QJsonObject &value)
{
    return QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Compact));
}

QString RequestScript(const QJsonObject &request)
{
    return QStringLiteral("nvkBridge.request(%1)").arg(ToScript(request));
}

[[noreturn]] void RaiseStatus(HRESULT status)
{
    qCDebug(lcBrowser) << "call fails:" << QString::fromStdString(ole::StatusText(status));
    throw EOleSysError(ole::StatusText(status), status);
}

int32_t StateFromText(const QString &state)
{
    if (state == QLatin1String("complete"))
        return TPageBridge::Complete;
    if (state == QLatin1String("interactive"))
        return TPageBridge::Interactive;
    return TPageBridge::Loading;
}

// What a pending call knows; shared with the engine's callback, which may
// run after the waiting function has returned.
struct TPendingCall {
    bool answered = false;
    QVariant value;
    QPointer<QEventLoop> loop;
};

} // namespace

TPageBridge::TEngineCallbackGuard::TEngineCallbackGuard(TPageBridge *bridge) : bridge_(bridge)
{
    if (bridge_)
        ++bridge_->engineCallbackDepth_;
}

TPageBridge::TEngineCallbackGuard::~TEngineCallbackGuard()
{
    if (bridge_)
        --bridge_->engineCallbackDepth_;
}

TPageBridge::TPageBridge(QWebEnginePage *page, QObject *parent)
    : QObject(parent), page_(page), token_(MakeToken())
{
    InitBridgeResources();
    InstallScript();
    connect(page, &QWebEnginePage::loadingChanged, this, &TPageBridge::OnLoadingChanged);
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            &TPageBridge::OnRenderProcessTerminated);
}

TPageBridge::~TPageBridge() = default;

void TPageBridge::InstallScript()
{
    QWebEngineScript script;
    script.setName(kScriptName);
    script.setWorldId(kWorldId);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(false);
    const QString tokenLine = QStringLiteral("const nvkToken = %1.token;\n")
                                  .arg(ToScript({{QStringLiteral("token"), token_}}));
    script.setSourceCode(tokenLine + BridgeSource());
    page_->scripts().insert(script);
}

int32_t TPageBridge::ReadyState() const
{
    if (!navigated_)
        return Uninitialized;
    if (awaitingDocument_)
        return Loading;
    return docState_;
}

void TPageBridge::BeginNavigation()
{
    qCDebug(lcBrowser) << "navigation begins";
    navigated_ = true;
    busy_ = true;
    // The document shown now stays the document until the navigation
    // produces one of its own: its late reports (an aborted page turns
    // complete as it is left) update what is shown but end no wait.
    awaitingDocument_ = true;
    emit stateChanged();
}

void TPageBridge::ShowDocument(const QString &doc, int32_t state)
{
    if (doc != docId_) {
        if (!docId_.isEmpty())
            retiredDocs_.insert(docId_);
        docId_ = doc;
        pendingReleases_.clear();
        typedPaths_.clear();
        keysDelivered_ = keysSeen_ = 0;
        // A new document is what the awaited navigation produced.
        awaitingDocument_ = false;
    }
    docState_ = state;
}

void TPageBridge::OnLoadingChanged(const QWebEngineLoadingInfo &info)
{
    TEngineCallbackGuard guard(this);
    qCDebug(lcBrowser) << "load" << info.status() << info.url().toString()
                       << (info.isErrorPage() ? "error page" : "");
    try {
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            // Navigations the page starts itself (a form submitted, a link
            // followed) count like the host's own.
            navigated_ = true;
            busy_ = true;
            rendererGone_ = false;
            awaitingDocument_ = true;
            break;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
        case QWebEngineLoadingInfo::LoadStoppedStatus:
        case QWebEngineLoadingInfo::LoadFailedStatus:
            {
                // The engine gives the answer's HTTP status as the code of
                // its own domain, whether the load succeeded or not.
                const bool answered =
                    info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
                QString error;
                if (!answered && info.status() != QWebEngineLoadingInfo::LoadSucceededStatus)
                    error = info.errorString().isEmpty() ? QStringLiteral("stopped")
                                                         : info.errorString();
                Journal().Navigation(info.url(), answered ? info.errorCode() : 0, error);
            }
            busy_ = false;
            if (awaitingDocument_) {
                awaitingDocument_ = false;
                // A load that ends without a document of the bridge either
                // never replaced the page (stopped before it committed, a
                // 204 answer, a download), which then stays as it is, or
                // put up a page the bridge does not run in (the engine's
                // error page), and then the tool has no document.
                if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                    info.isErrorPage())
                    ShowDocument(QString(), Complete);
            } else {
                // The document's last report may say interactive when its
                // load ended on an error or was stopped.
                docState_ = Complete;
            }
            break;
        }
        emit stateChanged();
    } catch (...) {
        Keep(std::current_exception());
    }
}

void TPageBridge::OnRenderProcessTerminated()
{
    TEngineCallbackGuard guard(this);
    // A renderer that died never answers what was asked of it, and its
    // document went with it.
    rendererGone_ = true;
    busy_ = false;
    awaitingDocument_ = false;
    ShowDocument(QString(), Complete);
    emit stateChanged();
}

bool TPageBridge::HandleConsoleMessage(const QString &message)
{
    if (!message.startsWith(token_))
        return false;
    TEngineCallbackGuard guard(this);
    try {
        const QJsonObject report =
            QJsonDocument::fromJson(message.mid(token_.size()).toUtf8()).object();
        const QString doc = report.value(QLatin1String("doc")).toString();
        if (report.contains(QLatin1String("settled"))) {
            if (doc == docId_)
                settledSerial_ = report.value(QLatin1String("settled")).toInt();
            return true;
        }
        qCDebug(lcBrowser) << "report" << doc << report.value(QLatin1String("state")).toString()
                           << report.value(QLatin1String("url")).toString();
        // A document that has been replaced may still report as it goes.
        if (doc.isEmpty() || retiredDocs_.contains(doc))
            return true;
        rendererGone_ = false;
        ShowDocument(doc, StateFromText(report.value(QLatin1String("state")).toString()));
        emit stateChanged();
    } catch (...) {
        Keep(std::current_exception());
    }
    return true;
}

void TPageBridge::Keep(std::exception_ptr error)
{
    if (!keptError_)
        keptError_ = std::move(error);
}

void TPageBridge::RaiseKeptError()
{
    if (keptError_)
        std::rethrow_exception(std::exchange(keptError_, nullptr));
}

void TPageBridge::QueueRelease(const QString &docId, int handle)
{
    if (docId != docId_ || rendererGone_)
        return;
    pendingReleases_.push_back(handle);
    if (!flushScheduled_) {
        flushScheduled_ = true;
        QTimer::singleShot(0, this, &TPageBridge::FlushReleases);
    }
}

void TPageBridge::FlushReleases()
{
    flushScheduled_ = false;
    if (!page_ || pendingReleases_.empty())
        return;
    QJsonObject request{{QStringLiteral("op"), QStringLiteral("release")}};
    TakeReleases(request);
    // Nobody waits for a release; the answer is not needed.
    page_->runJavaScript(RequestScript(request), kWorldId);
}

void TPageBridge::TakeReleases(QJsonObject &request)
{
    if (pendingReleases_.empty())
        return;
    QJsonArray handles;
    for (int h : pendingReleases_)
        handles.append(h);
    pendingReleases_.clear();
    request.insert(QStringLiteral("free"),
                   QJsonObject{{QStringLiteral("doc"), docId_}, {QStringLiteral("handles"), handles}});
}

QJsonObject TPageBridge::Request(QJsonObject request)
{
    RaiseKeptError();
    if (engineCallbackDepth_ > 0)
        RaiseStatus(ole::RPC_E_CANTCALLOUT_ININPUTSYNCCALL);
    if (!page_ || rendererGone_)
        RaiseStatus(ole::RPC_E_DISCONNECTED);
    if (QuitRequested())
        throw EAbort(ole::StatusText(ole::E_ABORT));

    AwaitDeliveredKeys();
    AttachTypedFiles();
    return RoundTrip(request);
}

void TPageBridge::NoteKeyDelivered()
{
    ++keysDelivered_;
}

void TPageBridge::AwaitDeliveredKeys()
{
    // Key events and calls reach the renderer by different roads, and a call
    // may overtake keys delivered just before it. Typing into a file field
    // must be known before the next call runs (the call may be the click
    // that uploads the file), so the call waits until the page has seen
    // every key delivered to it, for a moment at most.
    if (keysSeen_ >= keysDelivered_)
        return;
    const QDeadlineTimer deadline(kKeyDeliveryWaitMs);
    while (keysSeen_ < keysDelivered_ && !deadline.hasExpired() && !QuitRequested()) {
        RoundTrip({{QStringLiteral("op"), QStringLiteral("count")}});
        if (keysSeen_ < keysDelivered_)
            Sleep(5);
    }
    // Keys the page never sees (it lost the focus meanwhile) must not slow
    // every later call.
    keysSeen_ = keysDelivered_;
}

void TPageBridge::AttachTypedFiles()
{
    // Each typed path is resolved here, by the host, and the file it names
    // (or nothing) goes into its field; only the bridge's record of trusted
    // typing can make the host read a file.
    for (const auto &[field, typed] : std::exchange(typedPaths_, {})) {
        QJsonObject attach{{QStringLiteral("op"), QStringLiteral("attach")},
                           {QStringLiteral("doc"), docId_},
                           {QStringLiteral("field"), field},
                           {QStringLiteral("text"), typed}};
        const TAttachableFile file = ReadAttachableFile(typed);
        if (file.Refusal.isEmpty()) {
            attach.insert(QStringLiteral("name"), file.Name);
            attach.insert(QStringLiteral("type"), file.MimeType);
            attach.insert(QStringLiteral("data"), QString::fromLatin1(file.Data.toBase64()));
        }
        const QJsonObject answer = RoundTrip(attach);
        // An attach the field took (not one dropped for a text that has
        // grown since, nor the emptying of a field) is what the tool did.
        if (typed.isEmpty() || !answer.value(QLatin1String("ok")).toBool() ||
            answer.value(QLatin1String("value")).toInt() < 0)
            continue;
        if (file.Refusal.isEmpty())
            Journal().Attached(typed, file.Path, file.Data);
        else
            Journal().Refused(typed, file.Path, file.Refusal);
    }
}

QJsonObject TPageBridge::RoundTrip(const QJsonObject &original)
{
    QJsonObject request = original;
    TakeReleases(request);

    QElapsedTimer answerTime;
    answerTime.start();
    auto call = std::make_shared<TPendingCall>();
    QEventLoop loop;
    call->loop = &loop;
    page_->runJavaScript(RequestScript(request), kWorldId, [call](const QVariant &value) {
            call->answered = true;
            call->value = value;
            if (call->loop)
                call->loop->quit();
        });

    bool timedOut = false;
    bool pageDestroyed = false;
    if (!call->answered) {
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        connect(page_, &QObject::destroyed, &loop, [&] {
            pageDestroyed = true;
            loop.quit();
        });
        connect(page_, &QWebEnginePage::renderProcessTerminated, &loop, &QEventLoop::quit);
        connect(&TQuitWatcher::Instance(), &TQuitWatcher::quitRequested, &loop, &QEventLoop::quit);
        timer.start(callTimeoutMs_);
        WakeUpDispatcher();
        RunWithoutInput(loop);
        WakeUpDispatcher();
    }
    call->loop = nullptr;
    TWaitAccount::AddRoundTrip(answerTime.nsecsElapsed());

    RaiseKeptError();
    if (pageDestroyed || !page_ || rendererGone_)
        RaiseStatus(ole::RPC_E_DISCONNECTED);
    if (!call->answered) {
        if (timedOut)
            RaiseStatus(ole::RPC_E_TIMEOUT);
        // The loop was ended by the application quitting.
        throw EAbort(ole::StatusText(ole::E_ABORT));
    }

    // An invalid answer means the script did not run: the document that was
    // asked has been replaced, or the bridge is not there.
    if (call->value.typeId() != QMetaType::QString)
        RaiseStatus(ole::RPC_E_DISCONNECTED);
    QJsonParseError parseError;
    const QJsonDocument answer =
        QJsonDocument::fromJson(call->value.toString().toUtf8(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !answer.isObject() ||
        !answer.object().value(QLatin1String("ok")).isBool())
        RaiseStatus(ole::E_FAIL);
    const QJsonObject envelope = answer.object();
    if (envelope.value(QLatin1String("doc")).toString() == docId_) {
        keysSeen_ = std::max(keysSeen_, envelope.value(QLatin1String("keys")).toInt());
        const QJsonArray typed = envelope.value(QLatin1String("typed")).toArray();
        for (const QJsonValue &entry : typed) {
            const QJsonObject field = entry.toObject();
            const int id = field.value(QLatin1String("field")).toInt();
            std::erase_if(typedPaths_, [id](const auto &pending) { return pending.first == id; });
            typedPaths_.emplace_back(id, field.value(QLatin1String("text")).toString());
        }
    }
    return envelope;
}
