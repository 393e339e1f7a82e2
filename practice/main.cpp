// nvk-practice-site: serves the practice site until SIGINT or SIGTERM.
//
//   nvk-practice-site [--port N] [--records FILE] [--photo-upload form|script]
//
// Prints "port N" on its own line once the site accepts connections, so
// that a launcher can start it on port 0 and read the port it got.

#include "practice/practicesite.h"

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <pthread.h>
#include <string>

namespace {

int usage()
{
    std::cerr << "usage: nvk-practice-site [--port N] [--records FILE] [--photo-upload form|script]\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int port = 0;
    practice::PracticeSite::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--photo-upload" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value != "form" && value != "script") {
                return usage();
            }
            options.photoUpload = value == "script" ? practice::PracticeSite::PhotoUpload::Script
                                                    : practice::PracticeSite::PhotoUpload::Form;
            continue;
        }
        if ((arg == "--port" || arg == "--records") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--records") {
                options.recordsPath = value;
                continue;
            }
            char* end = nullptr;
            const long parsed = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || parsed < 0 || parsed > 65535) {
                return usage();
            }
            port = int(parsed);
        } else {
            return usage();
        }
    }

    // The signals are taken by sigwait below; blocking them before the
    // server's threads exist keeps them from landing on one of those.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        practice::PracticeSite site(options);
        std::cout << "port " << site.start(port) << std::endl;
        std::cerr << "nvk-practice-site: serving http://" << practice::PracticeSite::host
                  << "/ through the proxy 127.0.0.1:" << site.port()
                  << "; SIGINT or SIGTERM stops it" << std::endl;
        int received = 0;
        sigwait(&stopSignals, &received);
        site.stop();
    } catch (const std::exception& error) {
        std::cerr << "nvk-practice-site: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
