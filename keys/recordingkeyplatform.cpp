#include "keys/recordingkeyplatform.h"

TRecordingKeyPlatform::TRecordingKeyPlatform(const TKeyboardLayout &Layout) : TLayoutKeyPlatform(Layout) {}

void TRecordingKeyPlatform::keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t)
{
    TrackKeyEvent(bVk, dwFlags);
    ++eventTotal_;
    if (keepEvents_)
        events_.push_back({bVk, bScan, dwFlags});
}

unsigned TRecordingKeyPlatform::MapVirtualKeyA(unsigned uCode, unsigned uMapType)
{
    ++lookups_;
    return TLayoutKeyPlatform::MapVirtualKeyA(uCode, uMapType);
}

void TRecordingKeyPlatform::DispatchKeyMessages()
{
    ++pumps_;
    if (keepEvents_ && !events_.empty())
        events_.back().Pumped = true;
}

int TRecordingKeyPlatform::MessageBoxA(const void *, const std::string &lpText,
                                      const std::string &lpCaption, unsigned uType)
{
    boxes_.push_back({lpText, lpCaption, uType, eventTotal_});
    if (boxObserver_)
        boxObserver_(boxes_.back());
    return IDOK;
}

void TRecordingKeyPlatform::Clear()
{
    events_.clear();
    boxes_.clear();
    eventTotal_ = 0;
    pumps_ = 0;
    lookups_ = 0;
}
