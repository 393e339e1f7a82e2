#include "practice/draftstore.h"

#include <algorithm>
#include <cstdio>

namespace practice {

DraftStore::DraftStore()
    : random_(std::random_device{}())
{
}

std::string DraftStore::newDraft()
{
    std::lock_guard lock(mutex_);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(random_()));
    return text;
}

bool DraftStore::isDraftNumber(const std::string& text)
{
    return text.size() == 16 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::vector<PhotoInfo> DraftStore::photos(const std::string& draft) const
{
    std::lock_guard lock(mutex_);
    const auto it = drafts_.find(draft);
    return it == drafts_.end() ? std::vector<PhotoInfo>{} : it->second.infos;
}

std::optional<std::size_t> DraftStore::add(const std::string& draft, PhotoInfo info,
                                           std::string bytes)
{
    std::lock_guard lock(mutex_);
    Draft& entry = drafts_[draft];
    touch(draft);
    if (entry.infos.size() >= maxPhotos) {
        return std::nullopt;
    }
    entry.infos.push_back(std::move(info));
    entry.bytes.push_back(std::move(bytes));
    while (drafts_.size() > maxDrafts) {
        drafts_.erase(recency_.back());
        recency_.pop_back();
    }
    return entry.infos.size();
}

std::optional<std::pair<PhotoInfo, std::string>> DraftStore::photo(const std::string& draft,
                                                                   std::size_t number) const
{
    std::lock_guard lock(mutex_);
    const auto it = drafts_.find(draft);
    if (it == drafts_.end() || number == 0 || number > it->second.infos.size()) {
        return std::nullopt;
    }
    return std::make_pair(it->second.infos[number - 1], it->second.bytes[number - 1]);
}

void DraftStore::discard(const std::string& draft)
{
    std::lock_guard lock(mutex_);
    drafts_.erase(draft);
    recency_.remove(draft);
}

void DraftStore::reset()
{
    std::lock_guard lock(mutex_);
    drafts_.clear();
    recency_.clear();
}

void DraftStore::touch(const std::string& draft)
{
    recency_.remove(draft);
    recency_.push_front(draft);
}

} // namespace practice
