#pragma once

#include "practice/adstore.h"
#include "practice/reply.h"

namespace practice {

// The pages about published ads: the home page, the list, one ad, and the
// three pages of a deletion (the ad with its continue button, the password
// question, the outcome).
class AdPages {
public:
    // Unknown ads answer with this status: the page says the ad does not
    // exist, the way the real site does.
    static constexpr int unknownAdStatus = 404;

    explicit AdPages(AdStore& ads);

    Reply home();                                   // GET /
    Reply list(const httplib::Request& request);    // GET /annonces
    Reply show(const httplib::Request& request);    // GET /ai?ca=..&id=N[&cmd=delete]
    Reply deletionStep(const httplib::Request& request); // POST /ai?ca=..&cmd=delete

private:
    Reply unknownAd(const std::string& id, QJsonObject event);

    AdStore& ads_;
};

} // namespace practice
