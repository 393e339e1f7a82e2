#include "browser/embeddedwb.h"

#include "browser/errors.h"
#include "browser/latebound.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "browser/pagebridge.h"
#include "browser/pageobject.h"
#include "browser/tickclock.h"
#include "browser/webpage.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cstring>

namespace {

// The browser as an automation object: the first object of every late-bound
// chain. Its members read the host's state; Document gives the page's
// document object, or nothing before the first navigation has produced one.
class TBrowserAutomation : public IDispatch {
public:
    explicit TBrowserAutomation(TEmbeddedWB *host) : host_(host) {}

    HRESULT GetIDsOfNames(const std::u16string &name, DISPID &id) override
    {
        const QString lower = QString::fromStdU16String(name).toLower();
        if (lower == QLatin1String("document"))
            id = DISPID_DOCUMENT;
        else if (lower == QLatin1String("busy"))
            id = DISPID_BUSY;
        else if (lower == QLatin1String("readystate"))
            id = DISPID_READYSTATE;
        else
            return ole::DISP_E_UNKNOWNNAME;
        return ole::S_OK;
    }

    HRESULT Invoke(DISPID id, TInvokeKind kind, std::vector<Variant> &args, Variant *result,
                   TExcepInfo *) override
    {
        if (!host_)
            return ole::RPC_E_DISCONNECTED;
        if (kind == TInvokeKind::PropertyPut)
            return ole::DISP_E_MEMBERNOTFOUND;
        if (!args.empty())
            return ole::DISP_E_BADPARAMCOUNT;
        Variant value;
        switch (id) {
        case DISPID_DOCUMENT: {
            TPageBridge *bridge = host_->Bridge();
            if (bridge->HasDocument())
                value = Variant::FromDispatch(
                    std::make_shared<TPageObject>(bridge, bridge->DocumentId(), 0));
            break;
        }
        case DISPID_BUSY:
            value = Variant::FromBoolean(host_->Busy());
            break;
        case DISPID_READYSTATE:
            value = Variant::FromInteger(host_->ReadyState());
            break;
        default:
            return ole::DISP_E_MEMBERNOTFOUND;
        }
        if (result)
            *result = std::move(value);
        return ole::S_OK;
    }

private:
    QPointer<TEmbeddedWB> host_;
};

} // namespace

TEmbeddedWB::TEmbeddedWB(QWidget *parent) : QWidget(parent)
{
    TQuitWatcher::Instance();

    // A profile without a storage name is off the record: no cookies, cache
    // or form data outlive the session.
    profile_ = new QWebEngineProfile(this);
    view_ = new QWebEngineView(this);
    page_ = new TWebPage(profile_, view_);
    bridge_ = new TPageBridge(page_, this);
    page_->SetBridge(bridge_);

    QWebEngineSettings *settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    settings->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    // The window never shows a page's icon; fetching and decoding it would
    // keep the page busy just as the tool starts working on a new page.
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    view_->setPage(page_);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    // The render widget that takes the keys is made by the view as it needs
    // one; every child it gets is watched for Ctrl+N.
    WatchKeys(view_);
    for (QObject *child : view_->children())
        WatchKeys(child);
}

TEmbeddedWB::~TEmbeddedWB()
{
    beingDestroyed_ = true;
    // The page goes before its view and the profile last: a profile released
    // while a page still uses it leaves the engine in trouble.
    bridge_->disconnect();
    delete page_;
    page_ = nullptr;
    delete view_;
    view_ = nullptr;
    delete bridge_;
    bridge_ = nullptr;
    delete profile_;
    profile_ = nullptr;
}

void TEmbeddedWB::Navigate(const QString &address)
{
    AbortIfQuitting();
    const QUrl url = QUrl::fromUserInput(address);
    if (!url.isValid())
        throw EOleException("Adresse non valide : " + address.toStdString(), ole::E_FAIL);
    qCDebug(lcBrowser) << "navigate" << url.toString();
    bridge_->BeginNavigation();
    page_->load(url);
}

bool TEmbeddedWB::WaitForPage(uint32_t TimeOut)
{
    TWaitAccount account;
    bool Aborted = false;
    if (!testAttribute(Qt::WA_WState_Created))
        return !Aborted;
    bool Cancel = false;
    const uint32_t Start = GetTickCount();
    while (!beingDestroyed_ && ReadProperty(DISPID_READYSTATE).ToInteger() != 4) {
        if (OnBusyWait)
            OnBusyWait(this, Start, TimeOut, Cancel);
        Aborted = Cancel || (TimeOut > 0 && static_cast<uint32_t>(GetTickCount() - Start) > TimeOut);
        if (Aborted)
            break;
        if (QuitRequested())
            break;
        PumpMessages();
        Sleep(1);
    }
    return !Aborted;
}

int32_t TEmbeddedWB::ReadyState() const
{
    return bridge_ ? bridge_->ReadyState() : TPageBridge::Uninitialized;
}

bool TEmbeddedWB::Busy() const
{
    return bridge_ && bridge_->Busy();
}

Variant TEmbeddedWB::ReadProperty(DISPID id)
{
    Variant result;
    std::vector<Variant> noArgs;
    TExcepInfo excepInfo;
    TBrowserAutomation automation(this);
    const HRESULT status =
        automation.Invoke(id, TInvokeKind::PropertyGet, noArgs, &result, &excepInfo);
    if (status != ole::S_OK)
        RaiseInvokeError(status, excepInfo);
    return result;
}

Variant TEmbeddedWB::GetAutomationObject()
{
    return Variant::FromDispatch(std::make_shared<TBrowserAutomation>(this));
}

void TEmbeddedWB::FocusBrowser()
{
    AbortIfQuitting();
    QWidget *form = window();
    // The host can take the focus when it and every container up to the
    // window are visible and enabled; the window itself is tested below.
    if (!isVisibleTo(form) || !isEnabledTo(form))
        return;
    if (!form->isVisible() || !form->isEnabled())
        throw EInvalidOperation("Impossible de focaliser une fenêtre désactivée ou invisible");
    view_->setFocus(Qt::OtherFocusReason);
    if (!form->isActiveWindow())
        form->activateWindow();
}

void TEmbeddedWB::WatchKeys(QObject *object)
{
    object->installEventFilter(this);
}

void TEmbeddedWB::PlaceInTabOrder(QWidget *keyWidget)
{
    // The view makes the widget that takes the keys once the window has set
    // its tab order, so it would come last in the focus chain. It is moved
    // after the control that comes before the browser.
    QWidget *before = previousInFocusChain();
    while (before != window() && (before->focusPolicy() == Qt::NoFocus || isAncestorOf(before)))
        before = before->previousInFocusChain();
    if (before != window())
        QWidget::setTabOrder(before, keyWidget);
}

bool TEmbeddedWB::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == view_)
            WatchKeys(static_cast<QChildEvent *>(event)->child());
        break;
    case QEvent::ChildPolished:
        if (watched == view_ && static_cast<QChildEvent *>(event)->child() == view_->focusProxy())
            PlaceInTabOrder(view_->focusProxy());
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride: {
        // Ctrl+N would open a new browser window: it is discarded before the
        // browser sees it. Ctrl+Shift+N and N alone go through.
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers();
        if (key->key() == Qt::Key_N && (mods & Qt::ControlModifier) && !(mods & Qt::ShiftModifier))
            return true;
        if (event->type() != QEvent::ShortcutOverride && watched == view_->focusProxy())
            bridge_->NoteKeyDelivered();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

bool TEmbeddedWB::event(QEvent *event)
{
    // When the window is activated again and the browser was its focused
    // control, the page gets the keyboard focus back.
    if (event->type() == QEvent::WindowActivate && view_ && window()->focusWidget() &&
        view_->isAncestorOf(window()->focusWidget()))
        window()->focusWidget()->setFocus(Qt::ActiveWindowFocusReason);
    return QWidget::event(event);
}
