#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace practice {

struct PhotoInfo {
    std::string fileName;
    std::string contentType;
    std::size_t size = 0;
    std::string sha256;
};

// Ads being written: each form the site hands out carries a draft number in
// a hidden field, and the photos uploaded with that form are kept under it
// until the ad is submitted. Only the most recently used drafts are kept, so
// that a long session cannot fill the memory. Safe to use from the server's
// threads.
class DraftStore {
public:
    static constexpr std::size_t maxPhotos = 10;
    static constexpr std::size_t maxDrafts = 64;

    DraftStore();

    // A new draft number: 16 lower-case hexadecimal digits.
    std::string newDraft();
    static bool isDraftNumber(const std::string& text);

    std::vector<PhotoInfo> photos(const std::string& draft) const;

    // Adds the photo; returns the draft's photo count, or none when the
    // draft already holds maxPhotos photos.
    std::optional<std::size_t> add(const std::string& draft, PhotoInfo info, std::string bytes);

    // The n-th photo (from 1) and its bytes.
    std::optional<std::pair<PhotoInfo, std::string>> photo(const std::string& draft,
                                                           std::size_t number) const;

    void discard(const std::string& draft);
    void reset();

private:
    struct Draft {
        std::vector<PhotoInfo> infos;
        std::vector<std::string> bytes;
    };

    void touch(const std::string& draft);

    mutable std::mutex mutex_;
    std::map<std::string, Draft> drafts_;
    std::list<std::string> recency_; // most recent first
    std::mt19937_64 random_;
};

} // namespace practice
