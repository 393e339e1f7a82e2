#pragma once

#include <memory>
#include <string>
#include <vector>

// The HTTP server the tests browse: it serves the pages of
// tests/resources/pages on 127.0.0.1 for any host name, so the browser,
// routed through it as through a proxy, can load http://test.nvk.test/...
// A few addresses behave on purpose:
//   /hang         answers with a body that never ends (until Stop);
//   /pixel.png    a small image;
//   /echo-agent   the request's User-Agent as text;
//   /no-content   204, no content;
//   /download     a file sent as an attachment;
//   /late...      a page that comes after a second.
class TTestServer {
public:
    TTestServer();
    ~TTestServer();

    // Starts on a free port in a thread of its own.
    void Start();
    void Stop();
    int Port() const;

    // The targets (path and query) of the requests received so far, in
    // order.
    std::vector<std::string> Requests() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};
