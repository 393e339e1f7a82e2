#include "workflows/adworkflows.h"

#include "browser/embeddedwb.h"
#include "browser/htmlinterfaces.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "browser/tickclock.h"
#include "formauto/fieldsetter.h"
#include "formauto/formlookup.h"
#include "journal/journal.h"
#include "keys/keyscript.h"
#include "workflows/adtables.h"

namespace {

constexpr uint32_t kPageWaitMs = 10000;
constexpr uint32_t kInteractiveLimitMs = 30000;

// The open page's document and its first form; no document or no window
// means there is nothing to work on.
struct TOpenPage {
    IHTMLDocument2 Document;
    IHTMLFormElement FirstForm;
    bool Usable = false;
};

TOpenPage TakeOpenPage(TEmbeddedWB &browser)
{
    TOpenPage page;
    page.Document = IHTMLDocument2(browser.ReadProperty(DISPID_DOCUMENT));
    if (page.Document.IsNull())
        return page;
    page.FirstForm = GetFormByIndex(page.Document, 0);
    const Variant window = page.Document.parentWindow();
    page.Usable = !window.IsEmpty() && !window.IsNull();
    return page;
}

} // namespace

TAdWorkflows::TAdWorkflows(TEmbeddedWB &Browser, int32_t &FoundFormIndex,
                           int32_t &FoundElementIndex)
    : browser_(Browser), foundFormIndex_(FoundFormIndex), foundElementIndex_(FoundElementIndex)
{
    Journal().Conceal(QString::fromUtf8(adtables::AccountPassword.data(),
                                        qsizetype(adtables::AccountPassword.size())));
}

bool TAdWorkflows::Find(const char *Type, const char *Name, int32_t Occurrence)
{
    foundType_ = Type;
    foundName_ = Name;
    return FindFormElement(browser_, Type, Name, Occurrence, foundFormIndex_, foundElementIndex_);
}

void TAdWorkflows::CallFound(const char *Method)
{
    if (std::string_view(Method) == "click")
        Journal().Click(QString::fromUtf8(foundName_), QString::fromUtf8(foundType_));
    CallFoundElement(browser_, foundFormIndex_, foundElementIndex_, Method);
}

void TAdWorkflows::AddVO()
{
    qCDebug(lcWorkflow) << "AddVO: loading the form";
    browser_.Navigate(QString::fromStdString(adtables::SubmissionAddress()));
    browser_.WaitForPage(kPageWaitMs);
    const TOpenPage page = TakeOpenPage(browser_);
    if (!page.Usable)
        return;
    qCDebug(lcWorkflow) << "AddVO: filling the form";
    for (const adtables::TAdField &field : adtables::LocationFields)
        SetFormField(browser_, page.FirstForm, field.Name, field.Value, 0);
    if (Find("radio", "company_ad", 2)) {
        CallFound("click");
        PumpMessages();
    }
    for (const adtables::TAdField &field : adtables::AdvertiserFields)
        SetFormField(browser_, page.FirstForm, field.Name, field.Value, 0);
    qCDebug(lcWorkflow) << "AddVO: done";
}

void TAdWorkflows::WaitForInteractive()
{
    const uint32_t start = GetTickCount();
    while (browser_.ReadProperty(DISPID_READYSTATE).ToInteger() < 3) {
        if (QuitRequested() || static_cast<uint32_t>(GetTickCount() - start) > kInteractiveLimitMs)
            break;
        Sleep(50);
    }
}

void TAdWorkflows::AddPhoto(const std::string &Path)
{
    if (Find("file", "image", 1)) {
        qCDebug(lcWorkflow) << "AddPhoto: focusing the file field";
        browser_.FocusBrowser();
        WaitForInteractive();
        CallFound("focus");
        WaitForInteractive();
        qCDebug(lcWorkflow) << "AddPhoto: typing the path";
        // The pauses before end early once the window is closed; nothing
        // is typed after that.
        AbortIfQuitting();
        SendKeys(Path, false);
        PumpMessages();
        WaitForInteractive();
        PumpMessages();
        if (Find("button", "", 1)) {
            qCDebug(lcWorkflow) << "AddPhoto: uploading";
            CallFound("click");
            WaitForInteractive();
        }
    }
    PumpMessages();
    qCDebug(lcWorkflow) << "AddPhoto: pausing";
    Sleep(5000);
}

void TAdWorkflows::GoSequence()
{
    const auto &photos = adtables::PhotoPaths;
    AddVO();
    AddPhoto(photos[0]);
    AddVO();
    AddPhoto(photos[0]);
    AddPhoto(photos[1]);
    AddPhoto(photos[2]);
}

void TAdWorkflows::DeleteOneID(const std::string &AdNumber)
{
    const std::string password(adtables::AccountPassword);
    browser_.Navigate(QString::fromStdString(adtables::DeletionAddress(AdNumber)));
    browser_.WaitForPage(kPageWaitMs);
    const TOpenPage firstPage = TakeOpenPage(browser_);
    if (!firstPage.Usable)
        return;
    if (Find("submit", "continue", 1)) {
        CallFound("click");
        browser_.WaitForPage(kPageWaitMs);
        PumpMessages();
        Sleep(1000);
        if (Find("password", "passwd", 1)) {
            SetFormField(browser_, firstPage.FirstForm, "passwd", password, 0);
            Sleep(100);
            const TOpenPage passwordPage = TakeOpenPage(browser_);
            if (!passwordPage.Usable)
                return;
            SetFormField(browser_, passwordPage.FirstForm, "passwd", password, 0);
            if (Find("submit", "continue", 1)) {
                CallFound("click");
                PumpMessages();
                browser_.WaitForPage(kPageWaitMs);
                PumpMessages();
                Sleep(500);
            }
        }
    }
    PumpMessages();
}

void TAdWorkflows::DeleteAll()
{
    for (const char *number : adtables::DeleteAllNumbers)
        DeleteOneID(number);
}
