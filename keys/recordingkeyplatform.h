#pragma once

#include "keys/layoutkeyplatform.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A keyboard platform that delivers nothing: it records every key event and
// every message box, answers each box with OK at once, and keeps the key-state
// array, so that tests, the fuzzer and the benchmark can see exactly what a
// script did under a chosen layout.
class TRecordingKeyPlatform : public TLayoutKeyPlatform {
public:
    struct KeyEvent {
        uint8_t VirtualKey;
        uint8_t ScanCode;
        uint32_t Flags;
        // Whether the key messages were pumped right after this event.
        bool Pumped = false;
        bool operator==(const KeyEvent &) const = default;
    };

    struct Box {
        std::string Text;
        std::string Caption;
        unsigned Type;
        // How many key events had been sent when the box was shown.
        size_t EventsBefore;
    };

    explicit TRecordingKeyPlatform(const TKeyboardLayout &Layout = TKeyboardLayout::UnitedStates());

    void keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t dwExtraInfo) override;
    unsigned MapVirtualKeyA(unsigned uCode, unsigned uMapType) override;
    void DispatchKeyMessages() override;
    int MessageBoxA(const void *hWnd, const std::string &lpText, const std::string &lpCaption,
                    unsigned uType) override;

    // The fuzzer and the benchmark only count events: a script can ask for
    // millions of presses, and keeping them all would measure the vector.
    void SetKeepEvents(bool Keep) { keepEvents_ = Keep; }

    // Called with each box as it is shown, after it is recorded.
    void SetBoxObserver(std::function<void(const Box &)> Observer) { boxObserver_ = std::move(Observer); }

    const std::vector<KeyEvent> &Events() const { return events_; }
    const std::vector<Box> &Boxes() const { return boxes_; }
    size_t EventCount() const { return eventTotal_; }
    size_t PumpCount() const { return pumps_; }
    size_t ScanCodeLookups() const { return lookups_; }

    void Clear();

private:
    bool keepEvents_ = true;
    std::vector<KeyEvent> events_;
    std::vector<Box> boxes_;
    std::function<void(const Box &)> boxObserver_;
    size_t eventTotal_ = 0;
    size_t pumps_ = 0;
    size_t lookups_ = 0;
};
