#pragma once

#include "practice/draftstore.h"

#include <map>
#include <string>
#include <vector>

namespace practice {

// What the ad-submission form shows: the values typed so far, the photos
// uploaded with its draft, and a message about the last action.
struct AdFormView {
    std::string ca;
    std::string draft;
    std::map<std::string, std::string> values;
    std::vector<PhotoInfo> photos;
    std::string bannerKind; // "ok" or "error"; empty for no message
    std::string bannerText;
    std::size_t photoMaxBytes = 0;
    bool scriptUpload = false; // the photo button sends by script
};

// Builds the ad-submission page from site/form.html and the lists of
// site/choices.json: the region, category, fuel and gearbox lists with the
// chosen option selected, and the department list of the chosen region, so
// that a page sent back after an upload looks exactly as it was left.
class AdFormPage {
public:
    // The names of the form's fields that the site keeps from one page to
    // the next, in the order of the form.
    static const std::vector<std::string>& fieldNames();

    static std::string render(const AdFormView& view);

    // The departments of a region, as {code, label} pairs; empty for an
    // unknown region.
    static std::vector<std::pair<std::string, std::string>> departements(const std::string& region);
};

} // namespace practice
