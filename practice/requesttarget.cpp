#include "practice/requesttarget.h"

#include "practice/practicesite.h"

#include <algorithm>

namespace practice {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return out;
}

// The host of an authority ("user@host:port", "[::1]:port"), lower case.
std::string hostOf(std::string_view authority)
{
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty() && authority.front() == '[') {
        const auto end = authority.find(']');
        return lower(authority.substr(0, end == std::string_view::npos ? authority.size() : end + 1));
    }
    return lower(authority.substr(0, authority.find(':')));
}

bool servedHost(const std::string& host, bool absolute)
{
    // Through the proxy only the site's host is served; asked directly, the
    // site also answers to the loopback names it listens on, so that it can
    // be opened in any browser.
    if (host == PracticeSite::host) {
        return true;
    }
    return !absolute && (host == "127.0.0.1" || host == "localhost" || host == "[::1]");
}

} // namespace

RequestTarget RequestTarget::parse(std::string_view method, std::string_view target,
                                   std::string_view decodedPath, std::string_view hostHeader)
{
    RequestTarget result;
    if (method == "CONNECT") {
        result.kind = Kind::Foreign;
        result.host = hostOf(target);
        return result;
    }
    const std::string scheme = lower(target.substr(0, std::min<std::size_t>(target.size(), 8)));
    if (scheme.starts_with("http://") || scheme.starts_with("https://")) {
        const std::size_t authorityStart = target.find("//") + 2;
        const std::size_t authorityEnd = target.find_first_of("/?#", authorityStart);
        result.host = hostOf(target.substr(authorityStart, authorityEnd - authorityStart));
        // The site speaks plain HTTP only; a TLS address is someone else's.
        const bool plain = scheme.starts_with("http://");
        result.kind = plain && servedHost(result.host, true) ? Kind::Site : Kind::Foreign;
        const std::size_t decodedStart = decodedPath.find("//");
        const std::size_t slash = decodedStart == std::string_view::npos
            ? std::string_view::npos
            : decodedPath.find('/', decodedStart + 2);
        result.path = slash == std::string_view::npos ? "/" : std::string(decodedPath.substr(slash));
        return result;
    }
    if (target.empty() || target.front() != '/') {
        return result;
    }
    result.host = hostOf(hostHeader);
    result.kind = servedHost(result.host, false) ? Kind::Site : Kind::Foreign;
    result.path = std::string(decodedPath);
    return result;
}

} // namespace practice
