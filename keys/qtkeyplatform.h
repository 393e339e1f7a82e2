#pragma once

#include "keys/layoutkeyplatform.h"

#include <QObject>

#include <deque>
#include <functional>
#include <memory>

class QKeyEvent;

// The keyboard platform of the application. Each key event becomes a Qt key
// event for the widget that has the keyboard focus when it is delivered, with
// the modifiers that are down and the text the layout gives the key under
// them. A Ctrl+Alt character (AltGr) arrives as the character with neither
// modifier, so that a widget inserts it rather than taking it for a shortcut.
//
// The platform holds the events until they are pumped: DispatchKeyMessages
// delivers them at once, and otherwise they are delivered at the
// application's next pass through its event loop. That includes the waits
// that hold the user's input, since these events are posted, not
// spontaneous. Keys for a window that has been closed are dropped.
class TQtKeyPlatform : public QObject, public TLayoutKeyPlatform {
    Q_OBJECT

public:
    using MessageBoxFunction =
        std::function<int(const std::string &Text, const std::string &Caption, unsigned Type)>;

    // With the layout of the user's keyboard (see DetectKeyboardLayout).
    explicit TQtKeyPlatform(QObject *Parent = nullptr);
    explicit TQtKeyPlatform(const TKeyboardLayout &Layout, QObject *Parent = nullptr);
    ~TQtKeyPlatform() override;

    // French when the input method's locale, or failing it the session's
    // locale (LC_ALL, LC_MESSAGES, LANG), is French as written in France (see
    // TKeyboardLayout::ForLocaleName); US otherwise. The keyboard's own XKB
    // layout is not read: Qt does not expose it, and a French session on a
    // French keyboard is the case the tool is made for.
    static const TKeyboardLayout &DetectKeyboardLayout();

    // Replaces the modal box, so that tests never wait on one. The default is
    // a QMessageBox with the caption, the text and one OK button.
    void SetMessageBox(MessageBoxFunction Show);
    // The default box.
    static int ShowMessageBox(const std::string &Text, const std::string &Caption, unsigned Type);

    void keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t dwExtraInfo) override;
    void DispatchKeyMessages() override;
    int MessageBoxA(const void *hWnd, const std::string &lpText, const std::string &lpCaption,
                    unsigned uType) override;

protected:
    bool event(QEvent *Event) override;

private:
    std::unique_ptr<QKeyEvent> MakeKeyEvent(uint8_t VirtualKey, uint8_t ScanCode, uint32_t Flags) const;
    void DeliverWaitingEvents();

    std::deque<std::unique_ptr<QKeyEvent>> waitingEvents_;
    bool deliveryPosted_ = false;
    MessageBoxFunction showMessageBox_;
};
