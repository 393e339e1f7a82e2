#include "journal/journal.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QList<QByteArray> Lines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.isEmpty() || text.endsWith('\n')) << path.toStdString();
    QList<QByteArray> lines = text.split('\n');
    lines.removeLast();
    return lines;
}

} // namespace

// Past its size the journal goes on in a new file; the one before is kept
// whole, the one before that goes. The password shows nowhere, not even
// inside an address or an error's text.
TEST(JournalTest, RotatesPastItsSizeKeepingOneOlderFileOfWholeLines)
{
    QTemporaryDir home;
    const QString path = home.path() + QStringLiteral("/state/nvk/journal.jsonl");
    TJournal journal;
    journal.Open(path, 1000);
    journal.Conceal(QStringLiteral("pa ss"));
    journal.BeginRun(QStringLiteral("Delete ALL"), QStringLiteral("BtnGoDeleteAll"));
    const int pages = 40;
    for (int i = 0; i < pages; ++i)
        journal.Navigation(QUrl(QStringLiteral("http://site.test/ai?passwd=pa%20ss&n=%1").arg(i)), 200, {});
    journal.ErrorShown(QStringLiteral("Mot de passe « pa ss » refusé."));
    journal.EndRun("error");

    const QList<QByteArray> older = Lines(path + QStringLiteral(".1"));
    const QList<QByteArray> newer = Lines(path);
    ASSERT_FALSE(older.isEmpty());
    ASSERT_FALSE(newer.isEmpty());
    EXPECT_LE(QFile(path + QStringLiteral(".1")).size(), 1000);
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".2")));

    // The kept lines are the last ones written, in order, each one whole.
    const QList<QByteArray> kept = older + newer;
    QStringList addresses;
    for (const QByteArray &line : kept) {
        EXPECT_FALSE(line.contains("pa ss") || line.contains("pa%20ss")) << line.toStdString();
        const QJsonObject entry = QJsonDocument::fromJson(line).object();
        ASSERT_FALSE(entry.isEmpty()) << line.toStdString();
        if (entry.value(QLatin1String("event")) == QLatin1String("navigation"))
            addresses.append(entry.value(QLatin1String("address")).toString());
    }
    ASSERT_FALSE(addresses.isEmpty());
    for (qsizetype i = 0; i < addresses.size(); ++i)
        EXPECT_TRUE(addresses[i].endsWith(QStringLiteral("&n=%1").arg(pages - addresses.size() + i)))
            << addresses[i].toStdString();
    const QJsonObject error = QJsonDocument::fromJson(kept[kept.size() - 2]).object();
    EXPECT_EQ(error.value(QLatin1String("text")), QStringLiteral("Mot de passe « *** » refusé."));
    const QJsonObject end = QJsonDocument::fromJson(kept.last()).object();
    EXPECT_EQ(end.value(QLatin1String("result")), QLatin1String("error"));
    EXPECT_EQ(end.value(QLatin1String("workflow")), QLatin1String("Delete ALL"));
}
