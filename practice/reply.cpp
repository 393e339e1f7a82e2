#include "practice/reply.h"

#include "practice/pagetemplate.h"

#include <httplib.h>

#include <regex>

namespace practice {

Reply Reply::page(int status, std::string_view title, const std::string& content,
                  QJsonObject event)
{
    Reply reply;
    reply.status = status;
    reply.body = PageTemplate::layout(title, content);
    reply.event = std::move(event);
    return reply;
}

Reply Reply::error(int status, std::string_view heading, std::string_view message,
                   std::string_view reason)
{
    const std::string content = PageTemplate::render(
        "error.html", {{"heading", std::string(heading)},
                       {"message", std::string(message)},
                       {"status", std::to_string(status)}});
    return page(status, heading, content,
                QJsonObject{{"event", "error"},
                            {"reason", QString::fromUtf8(reason.data(), qsizetype(reason.size()))}});
}

std::string regionSection(const httplib::Request& request, bool* valid)
{
    static const std::regex shape("[0-9]{1,2}_[a-z]");
    *valid = true;
    if (!request.has_param("ca")) {
        return "17_s";
    }
    std::string ca = request.get_param_value("ca");
    if (!std::regex_match(ca, shape)) {
        *valid = false;
        return {};
    }
    return ca;
}

std::string param(const httplib::Request& request, const char* name)
{
    return request.get_param_value(name);
}

std::string formatPrice(long long euros)
{
    // French typography groups thousands with a narrow no-break space.
    std::string digits = std::to_string(euros < 0 ? -euros : euros);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += "\u202f";
        }
        grouped += digits[i];
    }
    return (euros < 0 ? "-" : "") + grouped + "\u00a0€";
}

std::string formatSize(std::size_t bytes)
{
    if (bytes < 1024 * 1024) {
        return std::to_string((bytes + 1023) / 1024) + "\u00a0Ko";
    }
    const std::size_t tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + "\u00a0Mo";
}

} // namespace practice
