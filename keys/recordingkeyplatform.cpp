#include "keys/recordingkeyplatform.h"

RecordingKeyPlatform::RecordingKeyPlatform(const KeyboardLayout &Layout) : LayoutKeyPlatform(Layout) {}

void RecordingKeyPlatform::keybd_event(uint8_t bVk, uint8_t bScan, uint32_t dwFlags, uintptr_t)
{
    TrackKeyEvent(bVk, dwFlags);
    ++EventTotal;
    if (KeepEvents)
        RecordedEvents.push_back({bVk, bScan, dwFlags});
}

unsigned RecordingKeyPlatform::MapVirtualKeyA(unsigned uCode, unsigned uMapType)
{
    ++Lookups;
    return LayoutKeyPlatform::MapVirtualKeyA(uCode, uMapType);
}

void RecordingKeyPlatform::DispatchKeyMessages()
{
    ++Pumps;
    if (KeepEvents && !RecordedEvents.empty())
        RecordedEvents.back().Pumped = true;
}

int RecordingKeyPlatform::MessageBoxA(const void *, const std::string &lpText,
                                      const std::string &lpCaption, unsigned uType)
{
    RecordedBoxes.push_back({lpText, lpCaption, uType, EventTotal});
    if (BoxObserver)
        BoxObserver(RecordedBoxes.back());
    return IDOK;
}

void RecordingKeyPlatform::Clear()
{
    RecordedEvents.clear();
    RecordedBoxes.clear();
    EventTotal = 0;
    Pumps = 0;
    Lookups = 0;
}
