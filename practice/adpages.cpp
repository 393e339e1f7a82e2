#include "practice/adpages.h"

#include "practice/pagetemplate.h"

#include <QString>

#include <httplib.h>

#include <algorithm>

namespace practice {

namespace {

constexpr std::string_view deleteTitle = "Supprimer une annonce";

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string adHref(const std::string& ca, const std::string& id, bool deletion)
{
    return "/ai?ca=" + ca + "&id=" + httplib::detail::encode_query_param(id)
        + (deletion ? "&cmd=delete" : "");
}

PageTemplate::Values adValues(const Ad& ad, const std::string& ca)
{
    return {{"id", ad.id},
            {"title", ad.title},
            {"price", formatPrice(ad.price)},
            {"city", ad.city},
            {"zipcode", ad.zipcode},
            {"date", ad.date},
            {"ca", ca},
            {"photo_count", std::to_string(ad.photoCount)},
            {"delete_href", adHref(ca, ad.id, true)}};
}

// Letter case is ignored in searches, for the ASCII letters that brand and
// model names are written in.
std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

Reply badSection()
{
    return Reply::error(400, "Adresse invalide",
                        "Le paramètre « ca » de l'adresse ne désigne aucune rubrique du site.",
                        "bad_section");
}

} // namespace

AdPages::AdPages(AdStore& ads)
    : ads_(ads)
{
}

Reply AdPages::home()
{
    const std::string content =
        PageTemplate::render("home.html", {{"count", std::to_string(ads_.published().size())}});
    return Reply::page(200, "Accueil", content, QJsonObject{{"event", "view"}, {"page", "home"}});
}

Reply AdPages::list(const httplib::Request& request)
{
    const std::string query = param(request, "q");
    std::string rows;
    std::size_t count = 0;
    for (const Ad& ad : ads_.published()) {
        const std::string haystack = lower(ad.title + ' ' + ad.city + ' ' + ad.id);
        if (!query.empty() && haystack.find(lower(query)) == std::string::npos) {
            continue;
        }
        PageTemplate::Values values = adValues(ad, "17_s");
        values["view_href"] = adHref("17_s", ad.id, false);
        rows += PageTemplate::render("ad-row.html", values);
        ++count;
    }
    const std::string countText = count == 0 ? "Aucune annonce."
        : count == 1                         ? "1 annonce."
                                             : std::to_string(count) + " annonces.";
    const std::string content =
        PageTemplate::render("ads.html", {{"query", query}, {"count_text", countText}, {"rows", rows}});
    return Reply::page(200, "Nos annonces", content,
                       QJsonObject{{"event", "view"}, {"page", "ads"}, {"count", qint64(count)}});
}

Reply AdPages::show(const httplib::Request& request)
{
    bool valid = false;
    const std::string ca = regionSection(request, &valid);
    if (!valid) {
        return badSection();
    }
    const std::string cmd = param(request, "cmd");
    if (cmd != "" && cmd != "view" && cmd != "delete") {
        return Reply::error(400, "Commande inconnue", "Cette page ne connaît pas la commande « " + cmd + " ».",
                            "bad_command");
    }
    const bool deletion = cmd == "delete";
    // The ad number is taken exactly as the address gives it: a number with
    // blanks or an empty one is simply an ad that does not exist.
    const std::string id = param(request, "id");
    QJsonObject event{{"event", "view"}, {"page", deletion ? "delete" : "ad"}, {"ad", q(id)}};
    const std::optional<Ad> ad = ads_.find(id);
    if (!ad) {
        return unknownAd(id, event);
    }
    event.insert("known", true);
    if (deletion) {
        return Reply::page(200, deleteTitle, PageTemplate::render("delete.html", adValues(*ad, ca)), event);
    }
    return Reply::page(200, ad->title, PageTemplate::render("ad.html", adValues(*ad, ca)), event);
}

Reply AdPages::deletionStep(const httplib::Request& request)
{
    bool valid = false;
    const std::string ca = regionSection(request, &valid);
    if (!valid) {
        return badSection();
    }
    if (param(request, "cmd") != "delete") {
        return Reply::error(400, "Commande inconnue", "Cette page attend la commande « delete ».",
                            "bad_command");
    }
    const std::string id = param(request, "id");
    const std::string step = param(request, "step");
    if (step == "confirm") {
        QJsonObject event{{"event", "view"}, {"page", "password"}, {"ad", q(id)}};
        const std::optional<Ad> ad = ads_.find(id);
        if (!ad) {
            return unknownAd(id, event);
        }
        event.insert("known", true);
        PageTemplate::Values values = adValues(*ad, ca);
        values["banner"] = "";
        return Reply::page(200, deleteTitle, PageTemplate::render("password.html", values), event);
    }
    if (step != "password") {
        return Reply::error(400, "Étape inconnue", "La suppression ne connaît pas l'étape « " + step + " ».",
                            "bad_step");
    }

    const bool passwordOk = ads_.passwordMatches(param(request, "passwd"));
    QJsonObject event{{"event", "delete"}, {"ad", q(id)}, {"password_ok", passwordOk}};
    const std::optional<Ad> ad = ads_.find(id);
    if (!ad) {
        event.insert("deleted", false);
        return unknownAd(id, event);
    }
    event.insert("known", true);
    if (!passwordOk) {
        // The password question comes back so that the user can try again;
        // nothing is deleted.
        event.insert("deleted", false);
        PageTemplate::Values values = adValues(*ad, ca);
        values["banner"] = PageTemplate::render(
            "banner.html", {{"kind", "error"},
                            {"text", "Mot de passe incorrect : l'annonce n'a pas été supprimée."}});
        return Reply::page(403, deleteTitle, PageTemplate::render("password.html", values), event);
    }
    const std::optional<Ad> removed = ads_.remove(id);
    event.insert("deleted", removed.has_value());
    if (!removed) {
        return unknownAd(id, event);
    }
    return Reply::page(200, "Annonce supprimée", PageTemplate::render("deleted.html", adValues(*removed, ca)),
                       event);
}

Reply AdPages::unknownAd(const std::string& id, QJsonObject event)
{
    event.insert("known", false);
    return Reply::page(unknownAdStatus, "Annonce introuvable", PageTemplate::render("no-ad.html", {{"id", id}}),
                       event);
}

} // namespace practice
