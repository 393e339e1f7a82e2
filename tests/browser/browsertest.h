#pragma once

#include "browser/embeddedwb.h"
#include "browser/latebound.h"
#include "tests/support/testutil.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// A shown browser host of its own for every test.
class BrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        browser = std::make_unique<TEmbeddedWB>();
        browser->resize(800, 600);
        browser->show();
        browser->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(browser.get()));
        testutil::WatchConsole(*browser);
    }
    void TearDown() override { browser.reset(); }

    // One late-bound call with a description made for the occasion.
    static Variant Call(const Variant &target, const std::string &name,
                        std::vector<TArgType> types = {}, std::vector<TCallArg> args = {})
    {
        Variant result;
        LateBoundCall(&result, target, TCallDesc{TInvokeKind::Method, std::move(types), name},
                      args);
        return result;
    }
    static Variant Item(const Variant &target, int32_t index)
    {
        return Call(target, "Item", {TArgType::Integer}, {index});
    }
    Variant Document() { return Call(browser->GetAutomationObject(), "Document"); }

    std::unique_ptr<TEmbeddedWB> browser;
};
