#pragma once

#include "app/frmmain.h"
#include "browser/embeddedwb.h"
#include "keys/keyboardlayout.h"
#include "keys/keyplatform.h"
#include "keys/qtkeyplatform.h"
#include "tests/support/testutil.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The tool's window, shown and active, with the application's keyboard
// platform and the error box captured.
class WorkflowTest : public testing::Test {
protected:
    void SetUp() override
    {
        keyboard = std::make_unique<TQtKeyPlatform>(TKeyboardLayout::French());
        keyboard->SetMessageBox([this](const std::string &text, const std::string &, unsigned) {
            keyBoxes.push_back(text);
            return 1;
        });
        SetCurrentKeyPlatform(keyboard.get());
        form = std::make_unique<TForm1>();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        testutil::WatchConsole(*form->EmbeddedWB1);
    }
    void TearDown() override
    {
        form.reset();
        SetCurrentKeyPlatform(nullptr);
        keyboard.reset();
        EXPECT_TRUE(errors.Texts.isEmpty()) << errors.Texts.join('\n').toStdString();
        EXPECT_TRUE(keyBoxes.empty()) << keyBoxes.front();
    }
    void Click(QWidget *button) { QTest::mouseClick(button, Qt::LeftButton); }

    testutil::TCapturingPresenter errors;
    std::unique_ptr<TQtKeyPlatform> keyboard;
    std::vector<std::string> keyBoxes;
    std::unique_ptr<TForm1> form;
};
