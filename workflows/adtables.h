#pragma once

#include <array>
#include <string>
#include <string_view>

// The fixed values the workflows type into the site.
namespace adtables {

// The site's ad-management host; the program has no option to change it.
inline constexpr std::string_view SiteHost = "annonces.nvk.test";

inline constexpr std::string_view AdvertiserEmail = "contact@tessaro-groupe.test";

struct TAdField {
    const char *Name;
    const char *Value;
};

// Set before the company radio button is clicked.
inline constexpr std::array<TAdField, 4> LocationFields{{
    {"region", "17"},
    {"dpt_code", "59"},
    {"zipcode", "59830"},
    {"category", "2"},
}};

// Set after it, in this order; the zipcode a second time.
inline constexpr std::array<TAdField, 13> AdvertiserFields{{
    {"name", "Tessaro Groupe"},
    {"SIREN", "730214658"},
    {"zipcode", "59830"},
    {"email", AdvertiserEmail.data()},
    {"phone", "0311223344"},
    {"subject", "Essai d'Annonce"},
    {"custom_ref", "TQ-4081"},
    {"regdate", "2005"},
    {"mileage", "12327"},
    {"fuel", "2"},
    {"gearbox", "2"},
    {"body", "corps de l'annonce"},
    {"price", "20000"},
}};

inline constexpr std::array<const char *, 3> PhotoPaths{
    "c:\\Projects\\qmtx\\Images\\V1269038-01.jpg",
    "c:\\Projects\\qmtx\\Images\\V1269038-02.jpg",
    "c:\\Projects\\qmtx\\Images\\V1269038-03.jpg",
};

inline constexpr std::string_view AccountPassword = "mvtors5814";

// The ads "Delete ALL" deletes, in this order.
inline constexpr std::array<const char *, 7> DeleteAllNumbers{
    "143435561", "144737339", "147230215", "147468475", "152766615", "153290785", "152715069",
};

inline std::string SubmissionAddress()
{
    return "http://" + std::string(SiteHost) + "/ai/form/0?ca=17_s";
}

// The ad number goes in unchanged: neither trimmed, checked nor encoded.
inline std::string DeletionAddress(const std::string &AdNumber)
{
    return "http://" + std::string(SiteHost) + "/ai?ca=17_s&id=" + AdNumber + "&cmd=delete";
}

} // namespace adtables
