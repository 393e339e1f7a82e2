#pragma once

#include <QJsonObject>

#include <string>
#include <string_view>

namespace httplib {
struct Request;
}

namespace practice {

// What a page handler answers: the HTTP status and body, and what the
// request did, which the site adds to the request's record.
struct Reply {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    QJsonObject event;

    // A page of the site: the content fragment inside the common layout.
    static Reply page(int status, std::string_view title, const std::string& content,
                      QJsonObject event);

    // An error page; the record names the event "error" with the reason.
    static Reply error(int status, std::string_view heading, std::string_view message,
                       std::string_view reason);
};

// The "ca" parameter names the region section of the site ("17_s"). It is
// echoed into the addresses of the pages, so only its known shape is taken;
// an absent one stands for the Nord-Pas-de-Calais section.
std::string regionSection(const httplib::Request& request, bool* valid);

// One parameter of the query or of a url-encoded body, or "" when absent.
std::string param(const httplib::Request& request, const char* name);

// "12 500 €", as the site shows prices.
std::string formatPrice(long long euros);

// "12 Ko", "1,4 Mo", as the site shows file sizes.
std::string formatSize(std::size_t bytes);

} // namespace practice
