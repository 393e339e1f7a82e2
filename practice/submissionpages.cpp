#include "practice/submissionpages.h"

#include "practice/adformpage.h"
#include "practice/pagetemplate.h"

#include <QCryptographicHash>
#include <QDate>
#include <QJsonArray>

#include <httplib.h>

#include <regex>

namespace practice {

namespace {

constexpr std::string_view formTitle = "Déposer une annonce";

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The type of an image, read from its first bytes: the site believes the
// file, not the name or the type the browser gave it.
std::string imageType(const std::string& bytes)
{
    auto startsWith = [&](std::string_view magic) { return bytes.compare(0, magic.size(), magic) == 0; };
    if (startsWith("\xFF\xD8\xFF")) {
        return "image/jpeg";
    }
    if (startsWith("\x89PNG\r\n\x1A\n")) {
        return "image/png";
    }
    if (startsWith("GIF87a") || startsWith("GIF89a")) {
        return "image/gif";
    }
    if (bytes.size() >= 12 && startsWith("RIFF") && bytes.compare(8, 4, "WEBP") == 0) {
        return "image/webp";
    }
    return {};
}

// The text fields of a multipart body. A name sent twice keeps its last
// value, as the site's form has no field that repeats.
std::map<std::string, std::string> textFields(const httplib::Request& request)
{
    std::map<std::string, std::string> fields;
    for (const auto& [name, part] : request.files) {
        if (part.filename.empty() && name != "image") {
            fields[name] = part.content;
        }
    }
    return fields;
}

QJsonObject toJson(const std::map<std::string, std::string>& fields)
{
    QJsonObject out;
    for (const auto& [name, value] : fields) {
        out.insert(q(name), q(value));
    }
    return out;
}

std::map<std::string, std::string> keptValues(const std::map<std::string, std::string>& fields)
{
    std::map<std::string, std::string> kept;
    for (const std::string& name : AdFormPage::fieldNames()) {
        if (const auto it = fields.find(name); it != fields.end()) {
            kept[name] = it->second;
        }
    }
    return kept;
}

Reply badSection()
{
    return Reply::error(400, "Adresse invalide",
                        "Le paramètre « ca » de l'adresse ne désigne aucune rubrique du site.",
                        "bad_section");
}

} // namespace

SubmissionPages::SubmissionPages(AdStore& ads, DraftStore& drafts, std::size_t photoMaxBytes)
    : ads_(ads), drafts_(drafts), photoMaxBytes_(photoMaxBytes)
{
}

Reply SubmissionPages::form(const httplib::Request& request)
{
    bool valid = false;
    AdFormView view;
    view.ca = regionSection(request, &valid);
    if (!valid) {
        return badSection();
    }
    view.draft = drafts_.newDraft();
    view.photoMaxBytes = photoMaxBytes_;
    view.scriptUpload = scriptUpload_;
    return Reply::page(200, formTitle, AdFormPage::render(view),
                       QJsonObject{{"event", "view"}, {"page", "form"}, {"draft", q(view.draft)}});
}

std::string SubmissionPages::draftOf(const std::map<std::string, std::string>& fields)
{
    const auto draftField = fields.find("draft");
    return draftField != fields.end() && DraftStore::isDraftNumber(draftField->second)
        ? draftField->second
        : drafts_.newDraft();
}

Reply SubmissionPages::upload(const httplib::Request& request)
{
    bool valid = false;
    AdFormView view;
    view.ca = regionSection(request, &valid);
    if (!valid) {
        return badSection();
    }
    if (!request.is_multipart_form_data()) {
        Reply reply = Reply::error(400, "Envoi invalide",
                                   "Une photo s'envoie avec le formulaire, en multipart/form-data.",
                                   "not_multipart");
        reply.event = QJsonObject{{"event", "upload"}, {"accepted", false}, {"reason", "not_multipart"}};
        return reply;
    }
    const std::map<std::string, std::string> fields = textFields(request);
    view.draft = draftOf(fields);
    view.values = keptValues(fields);
    view.photoMaxBytes = photoMaxBytes_;
    view.scriptUpload = scriptUpload_;

    QJsonObject event{{"event", "upload"}, {"draft", q(view.draft)}, {"fields", toJson(fields)}};
    int status = 200;
    std::string reason;
    const auto filePart = request.files.find("image");
    if (filePart == request.files.end() || (filePart->second.filename.empty() && filePart->second.content.empty())) {
        status = 400;
        reason = "no_file";
        view.bannerText = "Aucune photo n'a été choisie.";
    } else {
        const httplib::MultipartFormData& part = filePart->second;
        const QByteArray bytes = QByteArray::fromRawData(part.content.data(), qsizetype(part.content.size()));
        PhotoInfo info{part.filename, imageType(part.content), part.content.size(),
                       QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().toStdString()};
        event.insert("file", QJsonObject{{"name", q(info.fileName)},
                                         {"size", qint64(info.size)},
                                         {"sha256", q(info.sha256)},
                                         {"content_type", q(part.content_type)}});
        if (info.size > photoMaxBytes_) {
            status = 413;
            reason = "too_large";
            view.bannerText = "La photo « " + info.fileName + " » pèse " + formatSize(info.size)
                + " : une photo ne doit pas dépasser " + formatSize(photoMaxBytes_) + ".";
        } else if (info.contentType.empty()) {
            status = 415;
            reason = "not_image";
            view.bannerText = "Le fichier « " + info.fileName
                + " » n'est pas une image JPEG, PNG, GIF ou WebP.";
        } else if (const auto count = drafts_.add(view.draft, info, part.content)) {
            view.bannerText = "Photo « " + info.fileName + " » ajoutée.";
            event.insert("photo_count", qint64(*count));
        } else {
            status = 409;
            reason = "too_many_photos";
            view.bannerText = "Votre annonce a déjà " + std::to_string(DraftStore::maxPhotos)
                + " photos, le maximum.";
        }
    }
    event.insert("accepted", status == 200);
    if (!reason.empty()) {
        event.insert("reason", q(reason));
    }
    view.bannerKind = status == 200 ? "ok" : "error";
    view.photos = drafts_.photos(view.draft);
    return Reply::page(status, formTitle, AdFormPage::render(view), event);
}

Reply SubmissionPages::submit(const httplib::Request& request)
{
    bool valid = false;
    AdFormView view;
    view.ca = regionSection(request, &valid);
    if (!valid) {
        return badSection();
    }
    if (!request.is_multipart_form_data()) {
        return Reply::error(400, "Envoi invalide",
                            "Le formulaire s'envoie en multipart/form-data.", "not_multipart");
    }
    const std::map<std::string, std::string> fields = textFields(request);
    view.values = keptValues(fields);
    view.draft = draftOf(fields);
    view.photoMaxBytes = photoMaxBytes_;
    view.scriptUpload = scriptUpload_;

    // The checks a classifieds site makes before it takes an ad.
    static const std::vector<std::pair<std::string, std::regex>> rules{
        {"region", std::regex(".+")}, {"dpt_code", std::regex(".+")},
        {"zipcode", std::regex("[0-9]{5}")}, {"category", std::regex(".+")},
        {"company_ad", std::regex("[01]")}, {"name", std::regex(".*\\S.*")},
        {"email", std::regex("[^@\\s]+@[^@\\s]+\\.[^@\\s]+")}, {"phone", std::regex("0[0-9]{9}")},
        {"subject", std::regex(".*\\S.*")}, {"body", std::regex("[\\s\\S]*\\S[\\s\\S]*")},
        {"price", std::regex("[0-9]{1,9}")}};
    std::vector<std::string> wrong;
    for (const auto& [name, rule] : rules) {
        if (!std::regex_match(view.values[name], rule)) {
            wrong.push_back(name);
        }
    }
    if (view.values["company_ad"] == "1" && !std::regex_match(view.values["SIREN"], std::regex("[0-9]{9}"))) {
        wrong.push_back("SIREN");
    }
    QJsonObject event{{"event", "submit"}, {"draft", q(view.draft)}, {"fields", toJson(fields)}};
    if (!wrong.empty()) {
        QJsonArray names;
        std::string list;
        for (const std::string& name : wrong) {
            names.append(q(name));
            list += (list.empty() ? "" : ", ") + name;
        }
        event.insert("accepted", false);
        event.insert("invalid", names);
        view.bannerKind = "error";
        view.bannerText = "Vérifiez ces champs : " + list + ".";
        view.photos = drafts_.photos(view.draft);
        return Reply::page(422, formTitle, AdFormPage::render(view), event);
    }

    std::string city;
    for (const auto& [code, label] : AdFormPage::departements(view.values["region"])) {
        if (code == view.values["dpt_code"]) {
            city = label;
        }
    }
    const std::vector<PhotoInfo> photos = drafts_.photos(view.draft);
    const Ad ad = ads_.publish(Ad{{}, view.values["subject"], std::stoll(view.values["price"]), city,
                                  view.values["zipcode"], QDate::currentDate().toString(Qt::ISODate).toStdString(),
                                  int(photos.size())});
    drafts_.discard(view.draft);
    event.insert("accepted", true);
    event.insert("ad", q(ad.id));
    const std::size_t n = photos.size();
    const std::string content = PageTemplate::render(
        "submitted.html",
        {{"id", ad.id},
         {"title", ad.title},
         {"photo_count", n == 0 ? "aucune photo" : std::to_string(n) + (n == 1 ? " photo" : " photos")},
         {"view_href", "/ai?ca=" + view.ca + "&id=" + ad.id}});
    return Reply::page(200, "Annonce enregistrée", content, event);
}

Reply SubmissionPages::photo(const std::string& draft, const std::string& number)
{
    std::size_t n = 0;
    if (DraftStore::isDraftNumber(draft) && !number.empty() && number.size() <= 3
        && number.find_first_not_of("0123456789") == std::string::npos) {
        n = std::stoul(number);
    }
    const auto found = n ? drafts_.photo(draft, n) : std::nullopt;
    if (!found) {
        return Reply::error(404, "Photo introuvable", "Cette photo n'existe pas ou n'est plus gardée.",
                            "no_photo");
    }
    Reply reply;
    reply.contentType = found->first.contentType;
    reply.body = found->second;
    reply.event = QJsonObject{{"event", "photo"}, {"draft", q(draft)}, {"number", qint64(n)}};
    return reply;
}

} // namespace practice
