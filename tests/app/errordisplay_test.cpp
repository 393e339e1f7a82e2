#include "browser/embeddedwb.h"
#include "browser/errordisplay.h"
#include "browser/errors.h"
#include "browser/latebound.h"
#include "tests/support/testutil.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(ErrorDisplayTest, AddsAFinalPeriodOnlyAfterCharactersSortingAfterIt)
{
    const std::pair<const char *, const char *> rows[] = {
        {"Opération de variant incorrecte", "Opération de variant incorrecte."},
        {"Erreur OLE 80004005", "Erreur OLE 80004005."},
        {"Déjà fini.", "Déjà fini."},
        {"Attention !", "Attention !"},
        {"(entre parenthèses)", "(entre parenthèses)"},
        {"trait -", "trait -"},
        {"", ""},
        {"Accès refusé", "Accès refusé."},
    };
    for (const auto &[message, shown] : rows)
        EXPECT_EQ(WithFinalPeriod(QString::fromUtf8(message)), QString::fromUtf8(shown)) << message;
}

TEST(ErrorDisplayTest, TitleComesFromTheProgramFileName)
{
    EXPECT_EQ(TitleFromProgramPath("/usr/local/bin/nvk"), "Nvk");
    EXPECT_EQ(TitleFromProgramPath("C:\\Outils\\NVK.EXE"), "Nvk");
    EXPECT_EQ(TitleFromProgramPath("/opt/my.tool.bin"), "My");
}

TEST(ErrorDisplayTest, AFailedCallInAButtonHandlerIsShownAndTheApplicationGoesOn)
{
    testutil::TCapturingPresenter presenter;
    TEmbeddedWB browser;
    browser.show();
    ASSERT_TRUE(testutil::Load(browser, "forms.html"));

    QPushButton button("Essai");
    int runs = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] {
        RunGuarded([&] {
            ++runs;
            Variant document;
            LateBoundCall(&document, browser.GetAutomationObject(),
                          TCallDesc{TInvokeKind::Method, {}, "Document"});
            LateBoundCall(nullptr, document, TCallDesc{TInvokeKind::Method, {}, "Submit"});
            ADD_FAILURE() << "the handler went on after its error";
        });
    });
    button.show();
    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(presenter.Texts.size(), 1);
    EXPECT_EQ(presenter.Captions.at(0), ApplicationTitle());
    EXPECT_EQ(presenter.Texts.at(0), "Méthode 'Submit' non supportée par l'objet Automation.");

    // The application goes on: the same button runs its handler again.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(presenter.Texts.size(), 2);

    // EAbort ends a handler without a word.
    RunGuarded([] { throw EAbort("Opération abandonnée"); });
    EXPECT_EQ(presenter.Texts.size(), 2);
}
