#include "practice/adstore.h"

#include "practice/pagetemplate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace practice {

namespace {

// Numbers of ads published while the site runs start above every seeded one,
// the way the real site's numbers only grow.
constexpr long long firstNewNumber = 160000001;

} // namespace

AdStore::AdStore()
{
    const QJsonObject root = QJsonDocument::fromJson(PageTemplate::resource("ads.json")).object();
    password_ = root.value("account").toObject().value("password").toString().toStdString();
    for (const QJsonValue& value : root.value("ads").toArray()) {
        const QJsonObject o = value.toObject();
        seed_.push_back(Ad{o.value("id").toString().toStdString(),
                           o.value("title").toString().toStdString(),
                           o.value("price").toInteger(),
                           o.value("city").toString().toStdString(),
                           o.value("zipcode").toString().toStdString(),
                           o.value("date").toString().toStdString(),
                           0});
    }
    reset();
}

void AdStore::reset()
{
    std::lock_guard lock(mutex_);
    ads_ = seed_;
    nextNumber_ = firstNewNumber;
}

std::vector<Ad> AdStore::published() const
{
    std::lock_guard lock(mutex_);
    return ads_;
}

std::optional<Ad> AdStore::find(const std::string& id) const
{
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(ads_.begin(), ads_.end(), [&](const Ad& ad) { return ad.id == id; });
    if (it == ads_.end()) {
        return std::nullopt;
    }
    return *it;
}

bool AdStore::passwordMatches(const std::string& password) const
{
    return password == password_;
}

std::optional<Ad> AdStore::remove(const std::string& id)
{
    std::lock_guard lock(mutex_);
    const auto it = std::find_if(ads_.begin(), ads_.end(), [&](const Ad& ad) { return ad.id == id; });
    if (it == ads_.end()) {
        return std::nullopt;
    }
    Ad removed = *it;
    ads_.erase(it);
    return removed;
}

Ad AdStore::publish(Ad ad)
{
    std::lock_guard lock(mutex_);
    ad.id = std::to_string(nextNumber_++);
    ads_.push_back(ad);
    return ad;
}

} // namespace practice
