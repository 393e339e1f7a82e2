#include "browser/tickclock.h"

#include <chrono>

namespace {

TTickSource &Source()
{
    static TTickSource source;
    return source;
}

} // namespace

uint32_t GetTickCount()
{
    if (const TTickSource &source = Source())
        return source();
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void SetTickSource(TTickSource source)
{
    Source() = std::move(source);
}
