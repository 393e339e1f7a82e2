#pragma once

#include <string>
#include <string_view>

namespace practice {

// Where a request is meant to go. A browser that uses the site as its proxy
// names the whole address in the request line ("GET http://host/path"); a
// browser that talks to the site directly names the path and gives the host
// in the Host header. Both are served when the host is the site's own.
struct RequestTarget {
    enum class Kind {
        Site,    // a request for the site, served
        Foreign, // a request for another host, which the site does not relay
        Invalid, // a request line the site cannot read a target from
    };

    Kind kind = Kind::Invalid;
    std::string host; // lower case, without the port
    std::string path; // the path alone, as decoded by the server

    // method, the raw target of the request line, the path as the server
    // decoded it (the whole address for an absolute target) and the Host
    // header.
    static RequestTarget parse(std::string_view method, std::string_view target,
                               std::string_view decodedPath, std::string_view hostHeader);
};

} // namespace practice
