// The practice site's two workflows over HTTP: a photo upload that sends
// the form back as it was, and the deletion of an ad through its continue
// and password pages; plus the submission of a finished ad.

#include "tests/practice/sitefixture.h"

#include <QCryptographicHash>
#include <QJsonArray>

namespace practice::test {
namespace {

httplib::MultipartFormDataItems uploadBody(const std::string& draft, const std::string& fileName,
                                           const std::string& bytes)
{
    httplib::MultipartFormDataItems items{{"draft", draft, "", ""}};
    for (const auto& [name, value] : adFields()) {
        items.push_back({name, value, "", ""});
    }
    items.push_back({"image", bytes, fileName, "image/jpeg"});
    return items;
}

std::string sha256(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

bool contains(const std::string& page, const std::string& text)
{
    return page.find(text) != std::string::npos;
}

class PhotoUpload : public ::testing::TestWithParam<Route> {};

TEST_P(PhotoUpload, AnswersWithTheFormKeptAndEveryPhotoSoFar)
{
    SiteFixture fixture;
    auto client = fixture.client(GetParam());
    const auto form = client->Get("/ai/form/0?ca=17_s");
    ASSERT_TRUE(form);
    const std::string draft = draftOf(form->body);
    ASSERT_FALSE(draft.empty());

    std::string page;
    for (int number = 1; number <= 3; ++number) {
        const std::string fileName = "V1269038-0" + std::to_string(number) + ".jpg";
        const std::string bytes = photoBytes(number);
        const auto upload = client->Post("/ai/photo?ca=17_s", uploadBody(draft, fileName, bytes));
        ASSERT_TRUE(upload);
        ASSERT_EQ(upload->status, 200) << "photo " << number;
        page = upload->body;
        EXPECT_EQ(draftOf(page), draft);

        const QJsonObject record = fixture.lastRecord();
        EXPECT_EQ(record.value("event").toString(), "upload");
        EXPECT_TRUE(record.value("accepted").toBool());
        EXPECT_EQ(record.value("draft").toString().toStdString(), draft);
        EXPECT_EQ(record.value("photo_count").toInt(), number);
        const QJsonObject file = record.value("file").toObject();
        EXPECT_EQ(file.value("name").toString().toStdString(), fileName);
        EXPECT_EQ(file.value("size").toInteger(), qint64(bytes.size()));
        EXPECT_EQ(file.value("sha256").toString().toStdString(), sha256(bytes));
        const QJsonObject fields = record.value("fields").toObject();
        for (const auto& [name, value] : adFields()) {
            EXPECT_EQ(fields.value(QString::fromStdString(name)).toString().toStdString(), value) << name;
        }
    }

    // The form comes back as it was sent, with a new, empty file field.
    EXPECT_TRUE(contains(page, "<form id=\"ad-form\""));
    EXPECT_TRUE(contains(page, "<option value=\"17\" selected>Nord-Pas-de-Calais"));
    EXPECT_TRUE(contains(page, "<option value=\"59\" selected>59 – Nord"));
    EXPECT_TRUE(contains(page, "<option value=\"2\" selected>Voitures"));
    EXPECT_TRUE(contains(page, "<option value=\"2\" selected>Diesel"));
    EXPECT_TRUE(contains(page, "<option value=\"2\" selected>Automatique"));
    EXPECT_TRUE(contains(page, "name=\"company_ad\" value=\"1\" checked"));
    EXPECT_TRUE(contains(page, "<p id=\"siren-row\"><label"));
    EXPECT_TRUE(contains(page, "value=\"Tessaro Groupe\""));
    EXPECT_TRUE(contains(page, "value=\"Essai d&#39;Annonce\""));
    EXPECT_TRUE(contains(page, ">corps de l&#39;annonce</textarea>"));
    EXPECT_TRUE(contains(page, "<input type=\"file\" name=\"image\" id=\"image\""));
    EXPECT_TRUE(contains(page, "3 photos envoyées"));

    // Each thumbnail is the uploaded photo itself, served by the site.
    for (int number = 1; number <= 3; ++number) {
        const std::string src = "/ai/photos/" + draft + "/" + std::to_string(number);
        EXPECT_TRUE(contains(page, "<img class=\"thumb\" src=\"" + src + "\""));
        const auto image = client->Get(src);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->status, 200);
        EXPECT_EQ(image->get_header_value("Content-Type"), "image/jpeg");
        EXPECT_EQ(image->body, photoBytes(number));
    }
    EXPECT_EQ(fixture.lastRecord().value("event").toString(), "photo");
}

TEST_P(PhotoUpload, AFreshFormStartsAFreshDraft)
{
    SiteFixture fixture;
    auto client = fixture.client(GetParam());
    const auto first = client->Get("/ai/form/0?ca=17_s");
    const auto second = client->Get("/ai/form/0?ca=17_s");
    ASSERT_TRUE(first && second);
    ASSERT_NE(draftOf(first->body), draftOf(second->body));
    ASSERT_TRUE(client->Post("/ai/photo?ca=17_s", uploadBody(draftOf(first->body), "a.jpg", photoBytes(1))));
    const auto upload = client->Post("/ai/photo?ca=17_s", uploadBody(draftOf(second->body), "b.jpg", photoBytes(2)));
    ASSERT_TRUE(upload);
    EXPECT_TRUE(contains(upload->body, "1 photo envoyée"));
    EXPECT_FALSE(contains(upload->body, "a.jpg"));
}

INSTANTIATE_TEST_SUITE_P(Routes, PhotoUpload, ::testing::Values(Route::Proxy, Route::Direct), routeName);

struct RefusedUpload {
    const char* name;
    std::function<httplib::MultipartFormDataItems(const std::string& draft)> body;
    int status;
    const char* reason;
    const char* message;
};

const std::size_t photoLimit = PracticeSite::Options().photoMaxBytes;

const std::vector<RefusedUpload> refusedUploads{
    {"PhotoOverTheSizeLimit",
     [](const std::string& draft) {
         return uploadBody(draft, "big.jpg", photoBytes(1) + std::string(photoLimit, '\0'));
     },
     413, "too_large", "ne doit pas dépasser 5,0\u00a0Mo"},
    {"FileThatIsNotAnImage",
     [](const std::string& draft) { return uploadBody(draft, "notes.jpg", "Ceci n'est pas une photo."); },
     415, "not_image", "n&#39;est pas une image"},
    {"NoFileChosen", [](const std::string& draft) { return uploadBody(draft, "", ""); }, 400, "no_file",
     "Aucune photo"},
};

void PrintTo(const RefusedUpload& refused, std::ostream* out)
{
    *out << refused.name;
}

class RefusedUploads : public ::testing::TestWithParam<RefusedUpload> {};

TEST_P(RefusedUploads, FormComesBackWithTheReasonAndNoPhoto)
{
    const RefusedUpload& refused = GetParam();
    SiteFixture fixture;
    auto client = fixture.client(Route::Proxy);
    const auto form = client->Get("/ai/form/0?ca=17_s");
    ASSERT_TRUE(form);
    const auto upload = client->Post("/ai/photo?ca=17_s", refused.body(draftOf(form->body)));
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, refused.status);
    EXPECT_TRUE(contains(upload->body, refused.message)) << refused.message;
    EXPECT_TRUE(contains(upload->body, "value=\"Tessaro Groupe\""));
    EXPECT_FALSE(contains(upload->body, "class=\"thumb\""));

    const QJsonObject record = fixture.lastRecord();
    EXPECT_EQ(record.value("event").toString(), "upload");
    EXPECT_FALSE(record.value("accepted").toBool());
    EXPECT_EQ(record.value("reason").toString(), refused.reason);
    EXPECT_EQ(record.value("status").toInt(), refused.status);
    EXPECT_EQ(record.value("fields").toObject().value("SIREN").toString(), "730214658");

    const auto after = client->Get("/ai/form/0?ca=17_s");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

INSTANTIATE_TEST_SUITE_P(Uploads, RefusedUploads, ::testing::ValuesIn(refusedUploads),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RefusedUploadsBeyondTheForm, DraftHoldsTenPhotosAtMost)
{
    SiteFixture fixture;
    auto client = fixture.client(Route::Direct);
    const std::string draft = draftOf(client->Get("/ai/form/0?ca=17_s")->body);
    for (std::size_t i = 0; i < 10u; ++i) {
        const auto upload = client->Post("/ai/photo?ca=17_s", uploadBody(draft, "p.jpg", photoBytes(1)));
        ASSERT_TRUE(upload);
        ASSERT_EQ(upload->status, 200);
    }
    const auto over = client->Post("/ai/photo?ca=17_s", uploadBody(draft, "p.jpg", photoBytes(1)));
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 409);
    EXPECT_EQ(fixture.lastRecord().value("reason").toString(), "too_many_photos");
    EXPECT_TRUE(contains(over->body, "10 photos envoyées"));
}

TEST(RefusedUploadsBeyondTheForm, BodyOverTheRequestLimitIsNotRead)
{
    SiteFixture fixture;
    auto client = fixture.client(Route::Proxy);
    const std::string huge(PracticeSite::Options().requestMaxBytes + 1, 'x');
    const auto upload = client->Post("/ai/photo?ca=17_s", uploadBody("", "huge.jpg", huge));
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, 413);
    EXPECT_TRUE(contains(upload->body, "Envoi trop volumineux"));
    EXPECT_EQ(fixture.lastRecord().value("reason").toString(), "request_too_large");
    const auto after = client->Get("/");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

TEST(RefusedUploadsBeyondTheForm, UrlEncodedBodyIsNotAnUpload)
{
    SiteFixture fixture;
    const auto upload = fixture.client(Route::Direct)->Post("/ai/photo?ca=17_s", "region=17",
                                                            "application/x-www-form-urlencoded");
    ASSERT_TRUE(upload);
    EXPECT_EQ(upload->status, 400);
    EXPECT_EQ(fixture.lastRecord().value("reason").toString(), "not_multipart");
}

// One pass through the three deletion pages, answering the password page
// with the given password; returns the final page.
httplib::Result deleteAd(httplib::Client& client, const std::string& id, const std::string& password)
{
    auto first = client.Get("/ai?ca=17_s&id=" + id + "&cmd=delete");
    if (!first || first->status != 200) {
        return first;
    }
    auto second = client.Post("/ai?ca=17_s&cmd=delete",
                                    httplib::Params{{"id", id}, {"step", "confirm"}, {"continue", "Continuer"}});
    if (!second || second->status != 200) {
        return second;
    }
    return client.Post("/ai?ca=17_s&cmd=delete", httplib::Params{{"id", id},
                                                                {"step", "password"},
                                                                {"passwd", password},
                                                                {"continue", "Continuer"}});
}

class Deletion : public ::testing::TestWithParam<Route> {};

TEST_P(Deletion, WrongPasswordKeepsTheAdRightPasswordDeletesIt)
{
    SiteFixture fixture;
    auto client = fixture.client(GetParam());

    const auto wrong = deleteAd(*client, "128400201", "mvtors5815");
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong->status, 403);
    EXPECT_TRUE(contains(wrong->body, "Mot de passe incorrect"));
    EXPECT_TRUE(contains(wrong->body, "type=\"password\" name=\"passwd\""));
    EXPECT_TRUE(contains(client->Get("/annonces")->body, "128400201"));

    const auto right = deleteAd(*client, "128400201", "mvtors5814");
    ASSERT_TRUE(right);
    EXPECT_EQ(right->status, 200);
    EXPECT_TRUE(contains(right->body, "a bien été supprimée"));
    EXPECT_FALSE(contains(right->body, "<form"));
    EXPECT_FALSE(contains(client->Get("/annonces")->body, "128400201"));

    const auto again = client->Get("/ai?ca=17_s&id=128400201&cmd=delete");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 404);
    EXPECT_FALSE(contains(again->body, "<form"));

    // The records tell the story: two passes, the list views between them.
    std::vector<std::string> story;
    for (const QJsonObject& record : fixture.site().records()) {
        std::string line = record.value("event").toString().toStdString();
        if (record.contains("page")) {
            line += " " + record.value("page").toString().toStdString();
        }
        if (record.contains("password_ok")) {
            line += record.value("password_ok").toBool() ? " right" : " wrong";
            line += record.value("deleted").toBool() ? " deleted" : " kept";
        }
        story.push_back(line);
    }
    const std::vector<std::string> expected{"view delete", "view password", "delete wrong kept", "view ads",
                                            "view delete", "view password", "delete right deleted", "view ads",
                                            "view delete"};
    EXPECT_EQ(story, expected);
}

TEST_P(Deletion, EveryPublishedAdGoesWithThePassword)
{
    SiteFixture fixture;
    auto client = fixture.client(GetParam());
    const char* numbers[] = {"143435561", "144737339", "147230215", "147468475",
                             "152766615", "153290785", "152715069", "128400201"};
    for (const char* number : numbers) {
        const auto result = deleteAd(*client, number, "mvtors5814");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 200) << number;
        EXPECT_EQ(fixture.lastRecord().value("ad").toString(), number);
        EXPECT_TRUE(fixture.lastRecord().value("deleted").toBool()) << number;
    }
    EXPECT_TRUE(contains(client->Get("/annonces")->body, "Aucune annonce."));

    fixture.site().reset();
    EXPECT_TRUE(contains(client->Get("/annonces")->body, "8 annonces."));
}

TEST_P(Deletion, StepsForAnUnknownAdOfferNoForm)
{
    SiteFixture fixture;
    auto client = fixture.client(GetParam());
    for (const char* step : {"confirm", "password"}) {
        const auto result = client->Post("/ai?ca=17_s&cmd=delete", httplib::Params{{"id", "000000000"},
                                                                                   {"step", step},
                                                                                   {"passwd", "mvtors5814"}});
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 404) << step;
        EXPECT_FALSE(contains(result->body, "<form")) << step;
        EXPECT_FALSE(fixture.lastRecord().value("known").toBool());
    }
    EXPECT_FALSE(fixture.lastRecord().value("deleted").toBool());
    EXPECT_TRUE(contains(client->Get("/annonces")->body, "8 annonces."));
}

INSTANTIATE_TEST_SUITE_P(Routes, Deletion, ::testing::Values(Route::Proxy, Route::Direct), routeName);

TEST(Submission, FinishedAdIsPublishedWithItsPhotosIncompleteOneComesBack)
{
    SiteFixture fixture;
    auto client = fixture.client(Route::Proxy);
    const std::string draft = draftOf(client->Get("/ai/form/0?ca=17_s")->body);
    ASSERT_TRUE(client->Post("/ai/photo?ca=17_s", uploadBody(draft, "V1269038-01.jpg", photoBytes(1))));

    httplib::MultipartFormDataItems incomplete{{"draft", draft, "", ""}, {"region", "17", "", ""}};
    const auto refused = client->Post("/ai/form/1?ca=17_s", incomplete);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 422);
    EXPECT_TRUE(contains(refused->body, "Vérifiez ces champs : dpt_code, zipcode"));
    EXPECT_TRUE(contains(refused->body, "1 photo envoyée"));

    httplib::MultipartFormDataItems complete = uploadBody(draft, "", "");
    const auto accepted = client->Post("/ai/form/1?ca=17_s", complete);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200);
    EXPECT_TRUE(contains(accepted->body, "n° 160000001 « Essai d&#39;Annonce » est publiée avec 1 photo"));
    const QJsonObject record = fixture.lastRecord();
    EXPECT_EQ(record.value("event").toString(), "submit");
    EXPECT_EQ(record.value("ad").toString(), "160000001");

    const auto listed = client->Get("/annonces?q=essai");
    EXPECT_TRUE(contains(listed->body, "160000001"));
    EXPECT_TRUE(contains(listed->body, "Nord"));
    const auto deleted = deleteAd(*client, "160000001", "mvtors5814");
    ASSERT_TRUE(deleted);
    EXPECT_EQ(deleted->status, 200);
}

} // namespace
} // namespace practice::test
