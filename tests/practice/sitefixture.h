#pragma once

// Shared by the practice site's HTTP tests: a site started in-process on a
// free port of 127.0.0.1 with a records file, and clients that reach it
// either as a browser's proxy (absolute request targets) or directly.

#include "practice/practicesite.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace practice::test {

enum class Route { Proxy, Direct };

inline std::string routeName(const ::testing::TestParamInfo<Route>& info)
{
    return info.param == Route::Proxy ? "Proxy" : "Direct";
}

inline std::string photoBytes(int number)
{
    QFile file(QStringLiteral(NVK_PRACTICE_PHOTOS_DIR "/V1269038-0%1.jpg").arg(number));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no photo " << number;
        return {};
    }
    return file.readAll().toStdString();
}

// The fields of the ad as the tool fills them in.
inline std::vector<std::pair<std::string, std::string>> adFields()
{
    return {{"region", "17"}, {"dpt_code", "59"}, {"zipcode", "59830"}, {"category", "2"},
            {"company_ad", "1"}, {"name", "Tessaro Groupe"}, {"SIREN", "730214658"},
            {"email", "contact@tessaro-groupe.test"}, {"phone", "0311223344"},
            {"subject", "Essai d'Annonce"}, {"custom_ref", "TQ-4081"}, {"regdate", "2005"},
            {"mileage", "12327"}, {"fuel", "2"}, {"gearbox", "2"},
            {"body", "corps de l'annonce"}, {"price", "20000"}};
}

// The value of the first hidden "draft" field of a page.
inline std::string draftOf(const std::string& page)
{
    std::smatch match;
    static const std::regex draft(R"re(name="draft" value="([0-9a-f]{16})")re");
    return std::regex_search(page, match, draft) ? match[1].str() : std::string();
}

class SiteFixture {
public:
    explicit SiteFixture(PracticeSite::Options options = {})
    {
        options.recordsPath = (dir_.path() + "/records.jsonl").toStdString();
        site_ = std::make_unique<PracticeSite>(options);
        site_->start(0);
    }

    PracticeSite& site() { return *site_; }
    std::string recordsPath() const { return site_->options().recordsPath; }

    std::unique_ptr<httplib::Client> client(Route route) const
    {
        if (route == Route::Direct) {
            return std::make_unique<httplib::Client>("127.0.0.1", site_->port());
        }
        auto client = std::make_unique<httplib::Client>(std::string(PracticeSite::host), 80);
        client->set_proxy("127.0.0.1", site_->port());
        return client;
    }

    QJsonObject lastRecord() const
    {
        const auto records = site_->records();
        return records.empty() ? QJsonObject() : records.back();
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<PracticeSite> site_;
};

} // namespace practice::test
