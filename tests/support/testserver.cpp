#include "tests/support/testserver.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

// A browser routed through a proxy asks for absolute targets
// ("http://host/path"); the server only cares about the path.
std::string PathOf(const std::string &target)
{
    std::string path = target;
    if (const auto scheme = path.find("://"); scheme != std::string::npos) {
        const auto slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    return path;
}

std::string ContentType(const std::string &path)
{
    if (path.ends_with(".html"))
        return "text/html; charset=utf-8";
    if (path.ends_with(".js"))
        return "text/javascript";
    return "application/octet-stream";
}

// A 1x1 PNG.
const unsigned char kPixel[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f,
    0x15, 0xc4, 0x89, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
    0xcf, 0xc0, 0xf0, 0x1f, 0x00, 0x05, 0x00, 0x01, 0xff, 0x89, 0x99, 0x3d, 0x1d, 0x00, 0x00,
    0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

} // namespace

struct TTestServer::TImpl {
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> stopping{false};
    mutable std::mutex requestsMutex;
    std::vector<std::string> requests;
    int port = 0;
};

TTestServer::TTestServer() : impl_(std::make_unique<TImpl>()) {}

TTestServer::~TTestServer()
{
    Stop();
}

void TTestServer::Start()
{
    TImpl *impl = impl_.get();
    // Each /hang answer holds a worker until the server stops, whether or
    // not the browser still wants it; a test binary can leave dozens behind,
    // and the pages asked after them must still be served.
    impl->server.new_task_queue = [] { return new httplib::ThreadPool(96); };
    impl->server.Get(".*", [impl](const httplib::Request &request, httplib::Response &response) {
        {
            const std::lock_guard<std::mutex> lock(impl->requestsMutex);
            impl->requests.push_back(request.target);
        }
        const std::string path = PathOf(request.path);
        response.set_header("Cache-Control", "no-store");
        if (path == "/hang") {
            response.set_chunked_content_provider(
                "image/png", [impl](size_t, httplib::DataSink &sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    if (impl->stopping)
                        sink.done();
                    return !impl->stopping.load();
                });
            return;
        }
        if (path == "/pixel.png") {
            response.set_content(reinterpret_cast<const char *>(kPixel), sizeof kPixel,
                                 "image/png");
            return;
        }
        if (path == "/no-content") {
            response.status = 204;
            return;
        }
        if (path == "/download") {
            response.set_header("Content-Disposition", "attachment; filename=\"annonce.bin\"");
            response.set_content(std::string(1024, 'x'), "application/octet-stream");
            return;
        }
        if (path.starts_with("/late")) {
            // Answers after a second: long enough for a page to stop the
            // navigation before it commits.
            for (int i = 0; i < 20 && !impl->stopping; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            response.set_content("<!doctype html><title>Tardive</title><form><input name=late></form>",
                                 "text/html; charset=utf-8");
            return;
        }
        if (path == "/echo-agent") {
            response.set_content(request.get_header_value("User-Agent"), "text/plain");
            return;
        }
        // The site's own addresses lead to a page that never completes: a
        // site that does not answer in time.
        std::string name = path.substr(1, path.find('?') - 1);
        if (path.starts_with("/ai"))
            name = "never.html";
        if (name.find("..") != std::string::npos || name.find('/') != std::string::npos) {
            response.status = 400;
            return;
        }
        std::ifstream file(std::string(NVK_TEST_PAGES_DIR) + "/" + name, std::ios::binary);
        if (!file) {
            response.status = 404;
            response.set_content("<html><body><p>Not found</p></body></html>",
                                 "text/html; charset=utf-8");
            return;
        }
        std::ostringstream body;
        body << file.rdbuf();
        response.set_content(body.str(), ContentType(name));
    });
    impl->port = impl->server.bind_to_any_port("127.0.0.1");
    impl->thread = std::thread([impl] { impl->server.listen_after_bind(); });
}

void TTestServer::Stop()
{
    if (!impl_->thread.joinable())
        return;
    impl_->stopping = true;
    impl_->server.stop();
    impl_->thread.join();
}

std::vector<std::string> TTestServer::Requests() const
{
    const std::lock_guard<std::mutex> lock(impl_->requestsMutex);
    return impl_->requests;
}

int TTestServer::Port() const
{
    return impl_->port;
}
