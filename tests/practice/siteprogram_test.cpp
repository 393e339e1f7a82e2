// The nvk-practice-site program as the launcher uses it: started on port 0
// with a records file, it prints its port, serves, and ends cleanly on
// SIGTERM.

#include "tests/practice/sitefixture.h"

#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace practice::test {
namespace {

struct Program {
    pid_t pid = -1;
    FILE* out = nullptr;
};

Program launch(std::vector<std::string> args)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv;
    args.insert(args.begin(), NVK_PRACTICE_SITE_PROGRAM);
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    Program program;
    const int rc = posix_spawn(&program.pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        return {};
    }
    program.out = ::fdopen(pipeFds[0], "r");
    return program;
}

int waitForExit(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SiteProgram, PrintsItsPortServesAndStopsOnSigterm)
{
    QTemporaryDir dir;
    const std::string records = (dir.path() + "/records.jsonl").toStdString();
    Program program = launch({"--port", "0", "--records", records, "--photo-upload", "script"});
    ASSERT_GT(program.pid, 0);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, program.out), nullptr);
    int port = 0;
    ASSERT_EQ(std::sscanf(line, "port %d", &port), 1) << line;
    ASSERT_GT(port, 0);

    httplib::Client client(std::string(PracticeSite::host), 80);
    client.set_proxy("127.0.0.1", port);
    const auto page = client.Get("/ai?ca=17_s&id=153290785&cmd=delete");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const auto form = client.Get("/ai/form/0?ca=17_s");
    ASSERT_TRUE(form);
    EXPECT_NE(form->body.find("data-upload-mode=\"script\""), std::string::npos);

    ::kill(program.pid, SIGTERM);
    EXPECT_EQ(waitForExit(program.pid), 0);
    std::fclose(program.out);

    QFile file(QString::fromStdString(records));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
    EXPECT_EQ(record.value("ad").toString(), "153290785");
    EXPECT_EQ(QJsonDocument::fromJson(file.readLine()).object().value("page").toString(), "form");
    EXPECT_TRUE(file.atEnd());
}

TEST(SiteProgram, RefusesBadOptionsAndATakenPort)
{
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--port", "http"}, {"--photo-upload", "fetch"}, {"--photo-upload"}}) {
        Program bad = launch(arguments);
        ASSERT_GT(bad.pid, 0);
        EXPECT_EQ(waitForExit(bad.pid), 2) << arguments[0];
        std::fclose(bad.out);
    }

    SiteFixture fixture;
    Program taken = launch({"--port", std::to_string(fixture.site().port())});
    ASSERT_GT(taken.pid, 0);
    EXPECT_EQ(waitForExit(taken.pid), 1);
    std::fclose(taken.out);
}

} // namespace
} // namespace practice::test
