// The practice site's pages as a browser sees them over HTTP, through the
// proxy form of request and directly, with what the site records of them.

#include "tests/practice/sitefixture.h"

#include <QJsonArray>

#include <sstream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace practice::test {
namespace {

struct PageCase {
    const char* name;
    const char* target;
    int status;
    std::vector<const char*> present;
    std::vector<const char*> absent;
    const char* event;  // the record's "event"
    const char* detail; // the record's "page" for views, "reason" for errors
};

const std::vector<PageCase> pageCases{
    {"Home", "/", 200, {"Bienvenue", "/ai/form/0?ca=17_s"}, {}, "view", "home"},
    {"AdList", "/annonces", 200,
     {"143435561", "144737339", "147230215", "147468475", "152766615", "153290785", "152715069",
      "128400201", "Renault Clio", "8 annonces."},
     {}, "view", "ads"},
    {"AdListSearch", "/annonces?q=CLIO", 200, {"143435561", "1 annonce."}, {"144737339"}, "view", "ads"},
    {"AdSubmissionForm", "/ai/form/0?ca=17_s", 200,
     {"<form id=\"ad-form\"", "name=\"draft\"", "Région", "Nord-Pas-de-Calais", "Particulier",
      "Professionnel", "type=\"file\" name=\"image\"", "role=\"search\""},
     {"value=\"59\""}, "view", "form"},
    {"AdView", "/ai?ca=17_s&id=128400201", 200, {"Mercedes Classe C", "12\u202f500\u00a0€"}, {"<form"},
     "view", "ad"},
    {"DeletionPage", "/ai?ca=17_s&id=143435561&cmd=delete", 200,
     {"Renault Clio", "name=\"continue\"", "type=\"submit\"", "<form"}, {"passwd"}, "view", "delete"},
    {"DeletionPageUnknownAd", "/ai?ca=17_s&id=999999999&cmd=delete", 404, {"n'existe pas", "999999999"},
     {"<form"}, "view", "delete"},
    {"DeletionPageEmptyNumber", "/ai?ca=17_s&id=&cmd=delete", 404, {"n'existe pas"}, {"<form"}, "view",
     "delete"},
    {"DeletionPageNumberWithBlanks", "/ai?ca=17_s&id=%20128400201%20&cmd=delete", 404,
     {"«  128400201  »"}, {"<form"}, "view", "delete"},
    {"DeletionPageWithoutNumber", "/ai?ca=17_s&cmd=delete", 404, {"n'existe pas"}, {"<form"}, "view",
     "delete"},
    {"UnknownCommand", "/ai?ca=17_s&id=128400201&cmd=erase", 400, {"Commande inconnue"}, {}, "error",
     "bad_command"},
    {"MalformedSection", "/ai/form/0?ca=17_s%22%3E", 400, {"Adresse invalide"}, {}, "error", "bad_section"},
    {"UnknownPage", "/ai/form/2", 404, {"Page introuvable"}, {}, "error", "not_found"},
    {"UploadAddressOpened", "/ai/photo?ca=17_s", 405, {"Méthode non acceptée"}, {}, "error", "bad_method"},
    {"StyleSheet", "/static/site.css", 200, {"fieldset"}, {}, "asset", nullptr},
    {"FormScript", "/static/form.js", 200, {"addEventListener('change'"}, {}, "asset", nullptr},
    {"PageFragmentStaysPrivate", "/static/form.html", 404, {}, {}, "error", "not_found"},
    {"DataStaysPrivate", "/static/ads.json", 404, {}, {"mvtors5814"}, "error", "not_found"},
    {"PhotoOfUnknownDraft", "/ai/photos/0123456789abcdef/1", 404, {}, {}, "error", "no_photo"},
};

void PrintTo(const PageCase& page, std::ostream* out)
{
    *out << page.name;
}

class SitePages : public ::testing::TestWithParam<std::tuple<Route, PageCase>> {};

TEST_P(SitePages, AnswerAndRecord)
{
    const auto& [route, page] = GetParam();
    SiteFixture fixture;
    const auto result = fixture.client(route)->Get(page.target);
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, page.status);
    for (const char* text : page.present) {
        EXPECT_NE(result->body.find(text), std::string::npos) << "missing: " << text;
    }
    for (const char* text : page.absent) {
        EXPECT_EQ(result->body.find(text), std::string::npos) << "unexpected: " << text;
    }
    if (std::string(page.target).starts_with("/static/") && page.status == 200) {
        EXPECT_NE(result->get_header_value("Content-Type"), "text/html; charset=utf-8");
    } else {
        EXPECT_EQ(result->get_header_value("Content-Type"), "text/html; charset=utf-8");
    }

    const QJsonObject record = fixture.lastRecord();
    EXPECT_EQ(record.value("event").toString(), page.event);
    if (page.detail) {
        EXPECT_EQ(record.value(page.status < 400 || record.contains("page") ? "page" : "reason").toString(),
                  page.detail);
    }
    EXPECT_EQ(record.value("status").toInt(), page.status);
    EXPECT_EQ(record.value("method").toString(), "GET");
    // Through the proxy the target is the whole address, port included.
    const std::string target = record.value("target").toString().toStdString();
    EXPECT_TRUE(target.ends_with(page.target)) << target;
    EXPECT_EQ(target.starts_with("http://annonces.nvk.test"), route == Route::Proxy) << target;
    EXPECT_EQ(record.value("host").toString(), route == Route::Proxy ? "annonces.nvk.test" : "127.0.0.1");
}

INSTANTIATE_TEST_SUITE_P(Views, SitePages,
                         ::testing::Combine(::testing::Values(Route::Proxy, Route::Direct),
                                            ::testing::ValuesIn(pageCases)),
                         [](const auto& info) {
                             return std::string(std::get<1>(info.param).name)
                                 + (std::get<0>(info.param) == Route::Proxy ? "_Proxy" : "_Direct");
                         });

// Requests the server must refuse without a page of its own having run:
// written byte for byte on a socket, since a client library would not send
// them.
struct RawCase {
    const char* name;
    std::string request;
    int status;
    const char* reason;
};

const std::vector<RawCase> rawCases{
    {"GarbageRequestLine", "GARBAGE\r\n\r\n", 400, "bad_request"},
    {"UnknownHttpVersion", "GET / HTTP/7.0\r\nHost: annonces.nvk.test\r\n\r\n", 400, "bad_request"},
    {"AddressTooLong", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\nHost: annonces.nvk.test\r\n\r\n", 414,
     "uri_too_long"},
    {"ForeignHostThroughProxy", "GET http://example.com/ HTTP/1.1\r\nHost: example.com\r\n\r\n", 502,
     "foreign_host"},
    {"TlsAddressThroughProxy", "GET https://annonces.nvk.test/ HTTP/1.1\r\nHost: annonces.nvk.test\r\n\r\n",
     502, "foreign_host"},
    {"TunnelRequest", "CONNECT example.com:443 HTTP/1.1\r\nHost: example.com:443\r\n\r\n", 502,
     "foreign_host"},
    {"ForeignHostHeader", "GET / HTTP/1.1\r\nHost: example.com\r\n\r\n", 502, "foreign_host"},
    {"AsteriskTarget", "GET * HTTP/1.1\r\nHost: annonces.nvk.test\r\n\r\n", 400, "bad_target"},
    {"UnsupportedMethod", "DELETE /ai HTTP/1.1\r\nHost: annonces.nvk.test\r\n\r\n", 405, "bad_method"},
    {"BadMultipartBody",
     "POST /ai/photo?ca=17_s HTTP/1.1\r\nHost: annonces.nvk.test\r\n"
     "Content-Type: multipart/form-data; boundary=XyZ\r\nContent-Length: 21\r\n\r\nthis is not multipart",
     400, "bad_multipart"},
    {"MultipartWithoutBoundary",
     "POST /ai/photo?ca=17_s HTTP/1.1\r\nHost: annonces.nvk.test\r\n"
     "Content-Type: multipart/form-data\r\nContent-Length: 4\r\n\r\nabcd",
     400, "bad_multipart"},
};

// Sends the bytes and reads one answer: headers, then Content-Length bytes.
std::string exchange(int port, const std::string& request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return {};
    }
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[4096];
    while (true) {
        const std::size_t headerEnd = answer.find("\r\n\r\n");
        if (headerEnd != std::string::npos) {
            std::smatch length;
            const std::string headers = answer.substr(0, headerEnd);
            if (std::regex_search(headers, length, std::regex("Content-Length: ([0-9]+)"))
                && answer.size() >= headerEnd + 4 + std::stoul(length[1].str())) {
                break;
            }
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        answer.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return answer;
}

void PrintTo(const RawCase& raw, std::ostream* out)
{
    *out << raw.name;
}

class RefusedRequests : public ::testing::TestWithParam<RawCase> {};

TEST_P(RefusedRequests, ClearPageRecordAndServingGoesOn)
{
    const RawCase& raw = GetParam();
    SiteFixture fixture;
    const std::string answer = exchange(fixture.site().port(), raw.request);
    ASSERT_TRUE(answer.starts_with("HTTP/1.1 " + std::to_string(raw.status) + " ")) << answer.substr(0, 80);
    EXPECT_NE(answer.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
    EXPECT_NE(answer.find("Code HTTP " + std::to_string(raw.status)), std::string::npos);

    const QJsonObject record = fixture.lastRecord();
    EXPECT_EQ(record.value("event").toString(), "error");
    EXPECT_EQ(record.value("reason").toString(), raw.reason);
    EXPECT_EQ(record.value("status").toInt(), raw.status);

    const auto after = fixture.client(Route::Proxy)->Get("/");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

INSTANTIATE_TEST_SUITE_P(Malformed, RefusedRequests, ::testing::ValuesIn(rawCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SiteRecords, FileAndRecordsPageHoldTheSameLinesInOrder)
{
    SiteFixture fixture;
    auto proxy = fixture.client(Route::Proxy);
    auto direct = fixture.client(Route::Direct);
    ASSERT_TRUE(proxy->Get("/ai/form/0?ca=17_s"));
    ASSERT_TRUE(direct->Get("/annonces"));
    ASSERT_TRUE(proxy->Get("/nowhere"));
    httplib::Client foreign("other.test", 80);
    foreign.set_proxy("127.0.0.1", fixture.site().port());
    ASSERT_TRUE(foreign.Get("/"));

    const auto page = direct->Get("/_records");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "application/x-ndjson; charset=utf-8");

    QFile file(QString::fromStdString(fixture.recordsPath()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string fileText = file.readAll().toStdString();
    EXPECT_EQ(fileText, page->body);

    // Reading the records is not itself recorded.
    const auto records = fixture.site().records();
    ASSERT_EQ(records.size(), 4u);
    const char* paths[] = {"/ai/form/0", "/annonces", "/nowhere", "/"};
    std::istringstream lines(fileText);
    std::string line;
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        const QJsonObject fromFile = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        EXPECT_EQ(fromFile, records[i]);
        EXPECT_EQ(fromFile.value("seq").toInt(), int(i + 1));
        EXPECT_EQ(fromFile.value("path").toString().toStdString(), paths[i]);
        EXPECT_FALSE(fromFile.value("time").toString().isEmpty());
    }
    EXPECT_EQ(records[3].value("host").toString(), "other.test");
    EXPECT_EQ(records[3].value("status").toInt(), 502);
}

} // namespace
} // namespace practice::test
