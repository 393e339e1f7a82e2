#include "keys/qtkeyplatform.h"

#include "keys/keynametable.h"

#include <QApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QWidget>

Q_LOGGING_CATEGORY(lcKeys, "nvk.keys", QtInfoMsg)

namespace {

QEvent::Type DeliveryEventType()
{
    static const auto Type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return Type;
}

// Qt's key code for a key that types nothing, or whose code does not follow
// from its character.
int NamedQtKey(uint8_t VirtualKey)
{
    switch (VirtualKey) {
    case 0x03: return Qt::Key_Cancel;
    case 0x08: return Qt::Key_Backspace;
    case 0x09: return Qt::Key_Tab;
    case 0x0C: return Qt::Key_Clear;
    case 0x0D: return Qt::Key_Return;
    case 0x10: return Qt::Key_Shift;
    case 0x11: return Qt::Key_Control;
    case 0x12: return Qt::Key_Alt;
    case 0x14: return Qt::Key_CapsLock;
    case 0x1B: return Qt::Key_Escape;
    case 0x21: return Qt::Key_PageUp;
    case 0x22: return Qt::Key_PageDown;
    case 0x23: return Qt::Key_End;
    case 0x24: return Qt::Key_Home;
    case 0x25: return Qt::Key_Left;
    case 0x26: return Qt::Key_Up;
    case 0x27: return Qt::Key_Right;
    case 0x28: return Qt::Key_Down;
    case 0x2A:
    case 0x2C: return Qt::Key_Print;
    case 0x2D: return Qt::Key_Insert;
    case 0x2E: return Qt::Key_Delete;
    case 0x2F: return Qt::Key_Help;
    case 0x90: return Qt::Key_NumLock;
    case 0x91: return Qt::Key_ScrollLock;
    default: break;
    }
    if (VirtualKey >= 0x70 && VirtualKey <= 0x87)
        return Qt::Key_F1 + (VirtualKey - 0x70);
    return 0;
}

// Qt names a character key by its upper-case character, as the window
// system's own key events do; a key without a character under the current
// modifiers (Ctrl+A) keeps the name of what it types alone.
int QtKey(const TKeyboardLayout &Layout, uint8_t VirtualKey, char32_t Character)
{
    if (const int Named = NamedQtKey(VirtualKey))
        return Named;
    if (Character == 0)
        Character = Layout.Character(VirtualKey, 0);
    if (Character == 0)
        return Qt::Key_unknown;
    return static_cast<int>(QChar::toUpper(Character));
}

// On Linux, Qt's native scan code is the XKB key code: the set-1 scan code
// plus 8 for the main block, and evdev's own codes (plus 8) for the navigation
// keys, which share set-1 codes with the numeric keypad. The engine derives
// the DOM "code" of a key event from it.
quint32 XkbKeyCode(uint8_t VirtualKey, uint8_t ScanCode, uint32_t Flags)
{
    if (Flags & TKeyPlatform::KEYEVENTF_EXTENDEDKEY) {
        switch (VirtualKey) {
        case 0x24: return 102 + 8;
        case 0x26: return 103 + 8;
        case 0x21: return 104 + 8;
        case 0x25: return 105 + 8;
        case 0x27: return 106 + 8;
        case 0x23: return 107 + 8;
        case 0x28: return 108 + 8;
        case 0x22: return 109 + 8;
        case 0x2D: return 110 + 8;
        case 0x2E: return 111 + 8;
        default: break;
        }
    }
    return ScanCode == 0 ? 0 : ScanCode + 8u;
}

} // namespace

TQtKeyPlatform::TQtKeyPlatform(QObject *Parent) : TQtKeyPlatform(DetectKeyboardLayout(), Parent) {}

TQtKeyPlatform::TQtKeyPlatform(const TKeyboardLayout &Layout, QObject *Parent)
    : QObject(Parent), TLayoutKeyPlatform(Layout)
{
    showMessageBox_ = &TQtKeyPlatform::ShowMessageBox;
}

int TQtKeyPlatform::ShowMessageBox(const std::string &Text, const std::string &Caption, unsigned)
{
    QMessageBox Box(QMessageBox::NoIcon, QString::fromStdString(Caption), QString::fromStdString(Text),
                    QMessageBox::Ok);
    Box.exec();
    return IDOK;
}

TQtKeyPlatform::~TQtKeyPlatform() = default;

const TKeyboardLayout &TQtKeyPlatform::DetectKeyboardLayout()
{
    // Without an input context (the offscreen platform, or a bare X session)
    // the input method answers the C locale, which says nothing about the
    // keyboard; the session's locale is the next best witness.
    const QInputMethod *InputMethod = QGuiApplication::inputMethod();
    QLocale Locale = InputMethod ? InputMethod->locale() : QLocale::c();
    if (Locale == QLocale::c())
        Locale = QLocale::system();
    return TKeyboardLayout::ForLocaleName(Locale.name().toStdString());
}

void TQtKeyPlatform::SetMessageBox(MessageBoxFunction Show)
{
    showMessageBox_ = std::move(Show);
}

void TQtKeyPlatform::keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t)
{
    TrackKeyEvent(bVk, dwFlags);
    waitingEvents_.push_back(MakeKeyEvent(bVk, bScan, dwFlags));
    if (!deliveryPosted_) {
        deliveryPosted_ = true;
        QCoreApplication::postEvent(this, new QEvent(DeliveryEventType()));
    }
}

void TQtKeyPlatform::DispatchKeyMessages()
{
    DeliverWaitingEvents();
}

int TQtKeyPlatform::MessageBoxA(const void *, const std::string &lpText, const std::string &lpCaption,
                               unsigned uType)
{
    return showMessageBox_(lpText, lpCaption, uType);
}

bool TQtKeyPlatform::event(QEvent *Event)
{
    if (Event->type() == DeliveryEventType()) {
        deliveryPosted_ = false;
        DeliverWaitingEvents();
        return true;
    }
    return QObject::event(Event);
}

std::unique_ptr<QKeyEvent> TQtKeyPlatform::MakeKeyEvent(uint8_t VirtualKey, uint8_t ScanCode,
                                                       uint32_t Flags) const
{
    const unsigned State = ModifierState();
    const char32_t Character = Layout().Character(VirtualKey, State);

    Qt::KeyboardModifiers Modifiers;
    if (State & TKeyboardLayout::ShiftState)
        Modifiers |= Qt::ShiftModifier;
    if (State & TKeyboardLayout::CtrlState)
        Modifiers |= Qt::ControlModifier;
    if (State & TKeyboardLayout::AltState)
        Modifiers |= Qt::AltModifier;
    if (Character != 0 && (State & TKeyboardLayout::AltGrState) == TKeyboardLayout::AltGrState)
        Modifiers &= ~(Qt::ControlModifier | Qt::AltModifier);

    const QString Text = Character != 0 ? QString::fromUcs4(&Character, 1) : QString();
    const auto Type = (Flags & KEYEVENTF_KEYUP) ? QEvent::KeyRelease : QEvent::KeyPress;
    return std::make_unique<QKeyEvent>(Type, QtKey(Layout(), VirtualKey, Character), Modifiers,
                                       XkbKeyCode(VirtualKey, ScanCode, Flags), 0u, 0u, Text);
}

void TQtKeyPlatform::DeliverWaitingEvents()
{
    // A key handler may pump the queue again; taking each event off the queue
    // before delivering it keeps every event delivered once and in order.
    while (!waitingEvents_.empty()) {
        const std::unique_ptr<QKeyEvent> Event = std::move(waitingEvents_.front());
        waitingEvents_.pop_front();
        // Keys for a window that was closed meanwhile are dropped, as the
        // system drops input for a window that is gone.
        QWidget *Target = QApplication::focusWidget();
        if (Target && Target->isVisible()) {
            qCDebug(lcKeys) << Event->type() << Qt::Key(Event->key()) << Event->text()
                            << Event->modifiers() << "to" << Target;
            QCoreApplication::sendEvent(Target, Event.get());
        } else {
            qCDebug(lcKeys) << Event->type() << Qt::Key(Event->key()) << "dropped: no shown window";
        }
    }
}
