#include "practice/practicesite.h"

#include "practice/adpages.h"
#include "practice/adstore.h"
#include "practice/draftstore.h"
#include "practice/pagetemplate.h"
#include "practice/recorder.h"
#include "practice/requesttarget.h"
#include "practice/submissionpages.h"

#include <httplib.h>

#include <sys/socket.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace practice {

namespace {

QString q(const std::string& text)
{
    return QString::fromStdString(text);
}

std::string mimeType(const std::string& file)
{
    static const std::vector<std::pair<std::string, std::string>> types{
        {".css", "text/css; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".svg", "image/svg+xml"},
        {".json", "application/json"},
        {".html", "text/html; charset=utf-8"}};
    for (const auto& [ending, type] : types) {
        if (file.ends_with(ending)) {
            return type;
        }
    }
    return "application/octet-stream";
}

// Keep-alive connections of a browser hold a worker each while they idle,
// so the pool is larger than the handful of connections one browser opens.
constexpr std::size_t workerCount = 16;

} // namespace

struct PracticeSite::Impl {
    explicit Impl(Options o)
        : options(std::move(o)),
          recorder(options.recordsPath),
          submission(ads, drafts, options.photoMaxBytes),
          adPages(ads)
    {
        submission.setScriptUpload(options.photoUpload == PhotoUpload::Script);
    }

    void install();
    Reply route(const httplib::Request& request, const std::string& path);
    Reply staticFile(const std::string& path);
    Reply refusal(const httplib::Request& request, const RequestTarget& target);
    void send(const httplib::Request& request, httplib::Response& response, const RequestTarget& target,
              Reply reply);

    Options options;
    Recorder recorder;
    AdStore ads;
    DraftStore drafts;
    SubmissionPages submission;
    AdPages adPages;
    httplib::Server server;
    std::thread thread;
    std::atomic<bool> listenEnded = false;
    int port = 0;
    bool started = false;
};

void PracticeSite::Impl::install()
{
    server.new_task_queue = [] { return new httplib::ThreadPool(workerCount); };
    server.set_payload_max_length(options.requestMaxBytes);
    // The server's default also sets SO_REUSEPORT, which lets a second
    // site listen on a port that is taken and share its requests; a taken
    // port must fail to start instead.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    auto serve = [this](const httplib::Request& request, httplib::Response& response) {
        const RequestTarget target = RequestTarget::parse(request.method, request.target, request.path,
                                                          request.get_header_value("Host"));
        if (target.kind != RequestTarget::Kind::Site) {
            send(request, response, target, refusal(request, target));
            return;
        }
        // The records are the site's own report, not something it received
        // from a user, so reading them is not recorded.
        if (target.path == "/_records") {
            response.set_content(recorder.lines(), "application/x-ndjson; charset=utf-8");
            response.set_header("Cache-Control", "no-store");
            return;
        }
        Reply reply;
        try {
            reply = route(request, target.path);
        } catch (const std::exception& error) {
            reply = Reply::error(500, "Erreur du site", "Le site n'a pas pu répondre à cette requête.", "internal");
            reply.event.insert("message", QString::fromUtf8(error.what()));
        }
        send(request, response, target, std::move(reply));
    };
    server.Get(".*", serve);
    server.Post(".*", serve);

    // Methods the site has no page for are refused before any body is read.
    server.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        if (request.method == "GET" || request.method == "HEAD" || request.method == "POST") {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        const RequestTarget target = RequestTarget::parse(request.method, request.target, request.path,
                                                          request.get_header_value("Host"));
        send(request, response, target, refusal(request, target));
        return httplib::Server::HandlerResponse::Handled;
    });

    // The server calls this for every answer of status 400 or more. The
    // site's own pages already have a body; what has none is a request the
    // server refused before any page saw it.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [this](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        const RequestTarget target = RequestTarget::parse(request.method, request.target, request.path,
                                                          request.get_header_value("Host"));
        Reply reply;
        const bool multipart = request.get_header_value("Content-Type").starts_with("multipart/form-data");
        if (response.status == 413) {
            reply = Reply::error(413, "Envoi trop volumineux",
                                 "La requête dépasse " + formatSize(options.requestMaxBytes)
                                     + ", la taille maximale que le site accepte.",
                                 "request_too_large");
        } else if (response.status == 414) {
            reply = Reply::error(414, "Adresse trop longue", "L'adresse demandée est trop longue.", "uri_too_long");
        } else if (response.status == 400 && multipart) {
            reply = Reply::error(400, "Envoi illisible",
                                 "Le corps multipart/form-data de la requête est mal formé.", "bad_multipart");
        } else if (response.status == 400) {
            reply = Reply::error(400, "Requête mal formée", "Le site n'a pas pu lire cette requête.", "bad_request");
        } else {
            reply = Reply::error(response.status, "Requête refusée", "Le site ne peut pas répondre à cette requête.",
                                 "http_" + std::to_string(response.status));
        }
        send(request, response, target, std::move(reply));
        return httplib::Server::HandlerResponse::Handled;
    }));
}

Reply PracticeSite::Impl::route(const httplib::Request& request, const std::string& path)
{
    const bool post = request.method == "POST";
    if (path == "/" && !post) {
        return adPages.home();
    }
    if (path == "/annonces" && !post) {
        return adPages.list(request);
    }
    if (path == "/ai") {
        return post ? adPages.deletionStep(request) : adPages.show(request);
    }
    if (path == "/ai/form/0" && !post) {
        return submission.form(request);
    }
    if (path == "/ai/form/1" && post) {
        return submission.submit(request);
    }
    if (path == "/ai/photo" && post) {
        return submission.upload(request);
    }
    if (path.starts_with("/ai/photos/") && !post) {
        const std::string rest = path.substr(std::string_view("/ai/photos/").size());
        const std::size_t slash = rest.find('/');
        return submission.photo(rest.substr(0, slash), slash == std::string::npos ? "" : rest.substr(slash + 1));
    }
    if (path.starts_with("/static/") && !post) {
        return staticFile(path);
    }
    if (path == "/ai/form/0" || path == "/ai/form/1" || path == "/ai/photo") {
        Reply reply = Reply::error(405, "Méthode non acceptée",
                                   "Cette adresse ne s'ouvre pas ainsi ; passez par le formulaire.", "bad_method");
        return reply;
    }
    return Reply::error(404, "Page introuvable", "Cette page n'existe pas sur le site.", "not_found");
}

Reply PracticeSite::Impl::staticFile(const std::string& path)
{
    const std::string file = path.substr(std::string_view("/static/").size());
    // Only the browser's own files are public; the site's page fragments and
    // data stay inside.
    const bool isPublic = file.ends_with(".css") || file.ends_with(".js") || file.ends_with(".svg");
    if (!isPublic || file.find('/') != std::string::npos || !PageTemplate::hasResource(file)) {
        return Reply::error(404, "Fichier introuvable", "Ce fichier n'existe pas sur le site.", "not_found");
    }
    Reply reply;
    reply.contentType = mimeType(file);
    reply.body = PageTemplate::resource(file).toStdString();
    reply.event = QJsonObject{{"event", "asset"}};
    return reply;
}

Reply PracticeSite::Impl::refusal(const httplib::Request& request, const RequestTarget& target)
{
    if (target.kind == RequestTarget::Kind::Foreign) {
        return Reply::error(502, "Hôte non servi",
                            "Ce site d'entraînement ne sert que " + std::string(PracticeSite::host)
                                + " en HTTP ; il ne relaie pas les requêtes vers « " + target.host + " ».",
                            "foreign_host");
    }
    if (target.kind == RequestTarget::Kind::Invalid) {
        return Reply::error(400, "Requête mal formée", "L'adresse de la requête est illisible.", "bad_target");
    }
    return Reply::error(405, "Méthode non acceptée",
                        "Le site ne répond pas à la méthode « " + request.method + " ».", "bad_method");
}

void PracticeSite::Impl::send(const httplib::Request& request, httplib::Response& response,
                              const RequestTarget& target, Reply reply)
{
    response.status = reply.status;
    response.set_content(reply.body, reply.contentType.c_str());
    // Every page reflects the site's state at the moment, so the browser
    // must not show a kept copy when the tool opens an address again.
    response.set_header("Cache-Control", "no-store");
    if (reply.status == 405) {
        response.set_header("Allow", "GET, HEAD, POST");
    }
    QJsonObject entry = reply.event;
    entry.insert("method", q(request.method));
    entry.insert("target", q(request.target));
    entry.insert("host", q(target.host));
    entry.insert("path", q(target.path));
    entry.insert("status", reply.status);
    recorder.record(std::move(entry));
}

PracticeSite::PracticeSite()
    : PracticeSite(Options())
{
}

PracticeSite::PracticeSite(Options options)
    : d(std::make_unique<Impl>(std::move(options)))
{
    d->install();
}

PracticeSite::~PracticeSite()
{
    stop();
}

int PracticeSite::start(int port)
{
    if (d->started) {
        throw std::runtime_error("the practice site is already started");
    }
    const int bound = port == 0 ? d->server.bind_to_any_port("127.0.0.1")
                                : (d->server.bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
    }
    d->port = bound;
    d->started = true;
    d->listenEnded = false;
    d->thread = std::thread([this] {
        d->server.listen_after_bind();
        d->listenEnded = true;
    });
    // The server's stop() only takes effect once it runs; waiting here means
    // that a stop() right after start() cannot be lost. The socket already
    // accepts connections, so nothing is lost by the wait either.
    while (!d->server.is_running() && !d->listenEnded) {
        std::this_thread::yield();
    }
    return bound;
}

void PracticeSite::stop()
{
    if (d->thread.joinable()) {
        d->server.stop();
        d->thread.join();
    }
}

int PracticeSite::port() const
{
    return d->port;
}

const PracticeSite::Options& PracticeSite::options() const
{
    return d->options;
}

void PracticeSite::setPhotoUpload(PhotoUpload upload)
{
    d->submission.setScriptUpload(upload == PhotoUpload::Script);
}

void PracticeSite::reset()
{
    d->ads.reset();
    d->drafts.reset();
}

std::vector<QJsonObject> PracticeSite::records() const
{
    return d->recorder.entries();
}

} // namespace practice
