#pragma once

#include <QJsonObject>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace practice {

// The practice site: a local copy of the classifieds site's ad-management
// pages (ad submission with photos, ad deletion) served over plain HTTP on
// 127.0.0.1, for the host annonces.nvk.test, both to browsers that use it as
// their HTTP proxy and to ones that ask it directly. Every request it
// receives is recorded (see Recorder). The server runs on threads of its
// own, so a test can start it in-process and talk to it.
class PracticeSite {
public:
    static constexpr std::string_view host = "annonces.nvk.test";

    // How the form's photo button sends a photo: with the whole form, the
    // answer being a new page (the default), or by script (fetch with the
    // form's data), the page staying and emptying its file field.
    enum class PhotoUpload { Form, Script };

    struct Options {
        std::string recordsPath;                      // empty: records in memory only
        std::size_t photoMaxBytes = 5 * 1024 * 1024;  // larger photos are refused
        std::size_t requestMaxBytes = 16 * 1024 * 1024; // larger bodies are not read
        PhotoUpload photoUpload = PhotoUpload::Form;
    };

    PracticeSite();
    explicit PracticeSite(Options options);
    ~PracticeSite();
    PracticeSite(const PracticeSite&) = delete;
    PracticeSite& operator=(const PracticeSite&) = delete;

    // Listens on 127.0.0.1 at the port (0: a free one) and serves in the
    // background. Returns the port; throws std::runtime_error when the port
    // cannot be had or the site is already started.
    int start(int port = 0);

    // Stops serving and waits for the server's threads; safe to call twice.
    void stop();

    int port() const;
    const Options& options() const;

    // Brings the published ads back to the initial list and forgets the
    // drafts; the records are kept.
    void reset();

    // Changes how the form pages served from now on send photos.
    void setPhotoUpload(PhotoUpload upload);

    std::vector<QJsonObject> records() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace practice
