// Prints how long SendKeys takes per character of a long plain script on the
// recording platform, under each layout, with the events kept and only
// counted. The figure is the median of several runs.

#include "keys/keyscript.h"
#include "keys/recordingkeyplatform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr size_t ScriptLength = 1'000'000;
constexpr int Runs = 7;

// The texts the tool types, repeated: letters, digits, capitals, spaces and
// the path's punctuation, and none of the script's special characters.
std::string PlainScript()
{
    const std::string Piece =
        "c:\\Projects\\qmtx\\Images\\V1269038-01.jpg Tessaro Groupe corps de l'annonce ";
    std::string Script;
    while (Script.size() < ScriptLength)
        Script += Piece;
    Script.resize(ScriptLength);
    return Script;
}

double NanosecondsPerCharacter(const std::string &Script, const TKeyboardLayout &Layout, bool KeepEvents)
{
    std::vector<double> Figures;
    for (int Run = 0; Run < Runs; ++Run) {
        TRecordingKeyPlatform Platform(Layout);
        Platform.SetKeepEvents(KeepEvents);
        const auto Start = std::chrono::steady_clock::now();
        SendKeys(Platform, Script, false);
        const auto Elapsed = std::chrono::steady_clock::now() - Start;
        Figures.push_back(std::chrono::duration<double, std::nano>(Elapsed).count() /
                          static_cast<double>(Script.size()));
    }
    std::sort(Figures.begin(), Figures.end());
    return Figures[Figures.size() / 2];
}

} // namespace

int main()
{
    const std::string Script = PlainScript();
    std::printf("SendKeys, plain script of %zu characters, recording platform, median of %d runs\n",
                Script.size(), Runs);
    for (const TKeyboardLayout *Layout : {&TKeyboardLayout::UnitedStates(), &TKeyboardLayout::French()}) {
        for (bool Keep : {true, false})
            std::printf("  %-6s events %-8s %6.1f ns/char\n", Layout->Name().c_str(),
                        Keep ? "kept" : "counted", NanosecondsPerCharacter(Script, *Layout, Keep));
    }
    return 0;
}
