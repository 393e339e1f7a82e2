#pragma once

#include <cstdint>
#include <string>

class TEmbeddedWB;

// The ad workflows the window's buttons run: filling the ad form, attaching
// photos, deleting ads. They drive the browser as a person would, wait for
// its pages, and share the window's element position with the lookups.
class TAdWorkflows {
public:
    TAdWorkflows(TEmbeddedWB &Browser, int32_t &FoundFormIndex, int32_t &FoundElementIndex);

    // Opens the ad form and fills it with the fixed ad, without submitting.
    void AddVO();
    // Types the path into the page's file field and presses the page's
    // upload button, then pauses five seconds.
    void AddPhoto(const std::string &Path);
    // GO: the form filled, photo 1; the form filled again, photos 1, 2, 3.
    void GoSequence();
    // Deletes one ad, answering the continue and password pages.
    void DeleteOneID(const std::string &AdNumber);
    // Deletes the fixed ads, in order.
    void DeleteAll();

    // Polls the ready state every 50 ms until the page is interactive, for
    // 30 seconds at most, without running any handler of the window.
    void WaitForInteractive();

private:
    bool Find(const char *Type, const char *Name, int32_t Occurrence);
    void CallFound(const char *Method);

    TEmbeddedWB &browser_;
    // What the last lookup looked for, which is what it found when it did.
    const char *foundType_ = "";
    const char *foundName_ = "";
    int32_t &foundFormIndex_;
    int32_t &foundElementIndex_;
};
