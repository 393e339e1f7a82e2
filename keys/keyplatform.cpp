#include "keys/keyplatform.h"

namespace {
KeyPlatform *InstalledPlatform = nullptr;
}

KeyPlatform *CurrentKeyPlatform()
{
    return InstalledPlatform;
}

void SetCurrentKeyPlatform(KeyPlatform *Platform)
{
    InstalledPlatform = Platform;
}
