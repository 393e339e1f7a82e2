#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace practice {

struct Ad {
    std::string id;
    std::string title;
    long long price = 0;
    std::string city;
    std::string zipcode;
    std::string date;
    int photoCount = 0;
};

// The ads published on the account, and the account's password. The
// published ads and the password come from site/ads.json; reset() brings the
// ads back to that list. Safe to use from the server's threads.
class AdStore {
public:
    AdStore();

    void reset();
    std::vector<Ad> published() const;
    std::optional<Ad> find(const std::string& id) const;
    bool passwordMatches(const std::string& password) const;

    // Takes the ad off the site; none when it was not published.
    std::optional<Ad> remove(const std::string& id);

    // Publishes a new ad under the next free number and returns it.
    Ad publish(Ad ad);

private:
    mutable std::mutex mutex_;
    std::vector<Ad> seed_;
    std::vector<Ad> ads_;
    std::string password_;
    long long nextNumber_ = 0;
};

} // namespace practice
