#include "practice/adformpage.h"

#include "practice/pagetemplate.h"
#include "practice/reply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace practice {

namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

struct Choices {
    Options regions;
    std::map<std::string, Options> departements;
    Options categories;
    Options fuels;
    Options gearboxes;
    std::string departementsJson;
};

Options pairs(const QJsonArray& array)
{
    Options out;
    for (const QJsonValue& item : array) {
        const QJsonArray pair = item.toArray();
        out.emplace_back(pair.at(0).toString().toStdString(), pair.at(1).toString().toStdString());
    }
    return out;
}

const Choices& choices()
{
    static const Choices loaded = [] {
        Choices c;
        const QJsonObject root = QJsonDocument::fromJson(PageTemplate::resource("choices.json")).object();
        QJsonObject byRegion;
        for (const QJsonValue& value : root.value("regions").toArray()) {
            const QJsonObject region = value.toObject();
            const std::string code = region.value("code").toString().toStdString();
            c.regions.emplace_back(code, region.value("label").toString().toStdString());
            c.departements[code] = pairs(region.value("departements").toArray());
            byRegion.insert(region.value("code").toString(), region.value("departements"));
        }
        c.categories = pairs(root.value("categories").toArray());
        c.fuels = pairs(root.value("fuels").toArray());
        c.gearboxes = pairs(root.value("gearboxes").toArray());
        // The table goes into a script element of the page, where "</" would
        // end the element early; JSON allows the slash to be escaped.
        std::string json = QJsonDocument(byRegion).toJson(QJsonDocument::Compact).toStdString();
        for (std::size_t at = json.find("</"); at != std::string::npos; at = json.find("</", at)) {
            json.replace(at, 2, "<\\/");
        }
        c.departementsJson = std::move(json);
        return c;
    }();
    return loaded;
}

std::string optionList(const std::string& prompt, const Options& options,
                       const std::string& chosen, bool codeInLabel = false)
{
    std::string out = "<option value=\"\">" + PageTemplate::escape(prompt) + "</option>";
    for (const auto& [code, label] : options) {
        out += "<option value=\"" + PageTemplate::escape(code) + '"';
        if (code == chosen) {
            out += " selected";
        }
        out += '>' + PageTemplate::escape(codeInLabel ? code + " – " + label : label) + "</option>";
    }
    return out;
}

std::string photoList(const AdFormView& view)
{
    if (view.photos.empty()) {
        return {};
    }
    std::string items;
    for (std::size_t i = 0; i < view.photos.size(); ++i) {
        const PhotoInfo& photo = view.photos[i];
        items += PageTemplate::render(
            "photo-item.html",
            {{"src", "/ai/photos/" + view.draft + "/" + std::to_string(i + 1)},
             {"number", std::to_string(i + 1)},
             {"file_name", photo.fileName},
             {"size", formatSize(photo.size)}});
    }
    const std::size_t n = view.photos.size();
    return PageTemplate::render(
        "photos.html",
        {{"count_text", std::to_string(n) + (n == 1 ? " photo envoyée" : " photos envoyées")},
         {"items", items}});
}

} // namespace

const std::vector<std::string>& AdFormPage::fieldNames()
{
    static const std::vector<std::string> names{
        "region", "dpt_code", "zipcode", "category", "company_ad", "SIREN",
        "name", "email", "phone", "subject", "custom_ref", "regdate",
        "mileage", "fuel", "gearbox", "body", "price"};
    return names;
}

std::vector<std::pair<std::string, std::string>> AdFormPage::departements(const std::string& region)
{
    const auto& all = choices().departements;
    const auto it = all.find(region);
    return it == all.end() ? Options{} : it->second;
}

std::string AdFormPage::render(const AdFormView& view)
{
    const Choices& c = choices();
    auto value = [&](const std::string& name) {
        const auto it = view.values.find(name);
        return it == view.values.end() ? std::string() : it->second;
    };
    const std::string region = value("region");
    const bool company = value("company_ad") == "1";
    const Options dpts = departements(region);

    PageTemplate::Values values;
    for (const std::string& name : fieldNames()) {
        values[name] = value(name);
    }
    values["ca"] = view.ca;
    values["draft"] = view.draft;
    values["upload_mode"] = view.scriptUpload ? "script" : "form";
    values["banner"] = view.bannerKind.empty()
        ? std::string()
        : PageTemplate::render("banner.html", {{"kind", view.bannerKind}, {"text", view.bannerText}});
    values["region_options"] = optionList("« Choisissez la région »", c.regions, region);
    values["dpt_options"] = optionList(dpts.empty() ? "« Choisissez d'abord la région »"
                                                    : "« Choisissez le département »",
                                       dpts, value("dpt_code"), true);
    values["category_options"] = optionList("« Choisissez la catégorie »", c.categories, value("category"));
    values["fuel_options"] = optionList("« Choisissez »", c.fuels, value("fuel"));
    values["gearbox_options"] = optionList("« Choisissez »", c.gearboxes, value("gearbox"));
    values["private_checked"] = company ? "" : " checked";
    values["company_checked"] = company ? " checked" : "";
    values["siren_hidden"] = company ? "" : " hidden";
    values["photos"] = photoList(view);
    values["photo_limit"] = formatSize(view.photoMaxBytes);
    values["max_photos"] = std::to_string(DraftStore::maxPhotos);
    values["departements_json"] = c.departementsJson;
    return PageTemplate::render("form.html", values);
}

} // namespace practice
