#include "keys/keyplatform.h"

namespace {
TKeyPlatform *InstalledPlatform = nullptr;
}

TKeyPlatform *CurrentKeyPlatform()
{
    return InstalledPlatform;
}

void SetCurrentKeyPlatform(TKeyPlatform *Platform)
{
    InstalledPlatform = Platform;
}
