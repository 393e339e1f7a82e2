// The in-application keyboard platform against real Qt widgets and a real Qt
// WebEngine page, offscreen. Qt WebEngine allows one application object per
// process, so this executable has its own main.

#include "keys/keyscript.h"
#include "keys/qtkeyplatform.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <unistd.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A Qt warning fails the test that caused it, except for what the offscreen
// platform and the engine print on every headless run, which says nothing
// about the code under test.
std::vector<QString> UnexpectedMessages;

void RecordQtMessage(QtMsgType Type, const QMessageLogContext &, const QString &Message)
{
    if (Type == QtDebugMsg || Type == QtInfoMsg)
        return;
    static const QRegularExpression Expected(
        "^(This plugin does not support propagateSizeHints\\(\\)|"
        "QStandardPaths: XDG_RUNTIME_DIR not set.*|"
        "WebEngineContext used before QtWebEngineCore::initialize.*|"
        "No suitable graphics backend found|"
        "Sandboxing disabled by user.*)$");
    fprintf(stderr, "Qt: %s\n", qPrintable(Message));
    if (!Expected.match(Message).hasMatch())
        UnexpectedMessages.push_back(Message);
}

class QtTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const QString &Message : UnexpectedMessages)
            ADD_FAILURE() << "unexpected Qt message: " << Message.toStdString();
        UnexpectedMessages.clear();
    }
};

bool WaitUntil(const std::function<bool()> &Done, int TimeoutMs = 10000)
{
    QElapsedTimer Timer;
    Timer.start();
    while (!Done()) {
        if (Timer.elapsed() > TimeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

const std::vector<std::string> FixedTexts = {
    "c:\\Projects\\qmtx\\Images\\V1269038-01.jpg",
    "c:\\Projects\\qmtx\\Images\\V1269038-02.jpg",
    "c:\\Projects\\qmtx\\Images\\V1269038-03.jpg",
    "Tessaro Groupe",
    "corps de l'annonce",
};

struct TypingCase {
    const char *Name;
    const TKeyboardLayout *Layout;
    bool PumpKeyMessages;
};

const TypingCase TypingCases[] = {
    {"USPumped", &TKeyboardLayout::UnitedStates(), true},
    {"USAtNextPump", &TKeyboardLayout::UnitedStates(), false},
    {"FrenchPumped", &TKeyboardLayout::French(), true},
    {"FrenchAtNextPump", &TKeyboardLayout::French(), false},
};

void PrintTo(const TypingCase &Case, std::ostream *Out)
{
    *Out << Case.Name;
}

std::string CaseName(const ::testing::TestParamInfo<TypingCase> &Info)
{
    return Info.param.Name;
}

// A window with one focused line edit, and a platform that reports its boxes
// instead of showing them.
class LineEditFixture : public QtTest {
protected:
    void SetUp() override
    {
        auto *Layout = new QVBoxLayout(&Window);
        Edit = new QLineEdit;
        Layout->addWidget(Edit);
        Window.show();
        Window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
        Edit->setFocus();
        ASSERT_TRUE(WaitUntil([this] { return QApplication::focusWidget() == Edit; }));
        Platform.SetMessageBox([this](const std::string &Text, const std::string &Caption, unsigned) {
            Boxes.push_back(Caption + ": " + Text);
            return TKeyPlatform::IDOK;
        });
    }

    void SetLayout(const TKeyboardLayout &Layout) { Platform.SetLayout(Layout); }

    QWidget Window;
    QLineEdit *Edit = nullptr;
    TQtKeyPlatform Platform{TKeyboardLayout::UnitedStates()};
    std::vector<std::string> Boxes;
};

class LineEditTyping : public LineEditFixture, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(LineEditTyping, TypesTheFixedTextsExactly)
{
    SetLayout(*GetParam().Layout);
    for (const std::string &Text : FixedTexts) {
        Edit->clear();
        EXPECT_TRUE(SendKeys(Platform, Text, GetParam().PumpKeyMessages));
        if (GetParam().PumpKeyMessages) {
            EXPECT_EQ(Edit->text().toStdString(), Text) << "delivered before SendKeys returned";
        } else {
            EXPECT_EQ(Edit->text().toStdString(), "") << "nothing delivered before the next pump";
            QCoreApplication::processEvents();
            EXPECT_EQ(Edit->text().toStdString(), Text);
        }
    }
    EXPECT_TRUE(Boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Layouts, LineEditTyping, ::testing::ValuesIn(TypingCases), CaseName);

// Records the key events a widget receives.
class TKeyEventLog : public QObject {
public:
    struct Entry {
        QEvent::Type Type;
        int Key;
        Qt::KeyboardModifiers Modifiers;
        QString Text;
    };
    std::vector<Entry> Entries;

protected:
    bool eventFilter(QObject *, QEvent *Event) override
    {
        if (Event->type() == QEvent::KeyPress || Event->type() == QEvent::KeyRelease) {
            const auto *Key = static_cast<QKeyEvent *>(Event);
            Entries.push_back({Key->type(), Key->key(), Key->modifiers(), Key->text()});
        }
        return false;
    }
};

using LineEdit = LineEditFixture;

TEST_F(LineEdit, AltGrCharacterArrivesAsTheCharacterNotAShortcut)
{
    SetLayout(TKeyboardLayout::French());
    QAction Shortcut(&Window);
    Shortcut.setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_8));
    Window.addAction(&Shortcut);
    int Triggered = 0;
    QObject::connect(&Shortcut, &QAction::triggered, [&Triggered] { ++Triggered; });
    TKeyEventLog Log;
    Edit->installEventFilter(&Log);

    EXPECT_TRUE(SendKeys(Platform, "\\", true));
    QCoreApplication::processEvents();

    EXPECT_EQ(Edit->text(), "\\");
    EXPECT_EQ(Triggered, 0);
    ASSERT_EQ(Log.Entries.size(), 6u);
    EXPECT_EQ(Log.Entries[0].Key, Qt::Key_Control);
    EXPECT_EQ(Log.Entries[1].Key, Qt::Key_Alt);
    EXPECT_EQ(Log.Entries[2].Type, QEvent::KeyPress);
    EXPECT_EQ(Log.Entries[2].Key, Qt::Key_Backslash);
    EXPECT_EQ(Log.Entries[2].Text, "\\");
    EXPECT_EQ(Log.Entries[2].Modifiers, Qt::NoModifier);
    EXPECT_EQ(Log.Entries[5].Type, QEvent::KeyRelease);
    EXPECT_EQ(Log.Entries[5].Key, Qt::Key_Alt);
}

TEST_F(LineEdit, TrackedModifiersMakeShortcutsAndSelections)
{
    EXPECT_TRUE(SendKeys(Platform, "abc^ax", true));
    EXPECT_EQ(Edit->text(), "x") << "Ctrl+A selected all, x replaced it";

    EXPECT_TRUE(SendKeys(Platform, "yz+{LEFT 2}{DEL}{BS}", true));
    EXPECT_EQ(Edit->text(), "") << "Shift+Left twice selected yz; Delete and Backspace removed all";

    EXPECT_TRUE(SendKeys(Platform, "+(ab)c{HOME}{DELETE}", true));
    EXPECT_EQ(Edit->text(), "Bc");
}

// The application waits in loops that exclude user input; key events of the
// platform are posted, not spontaneous, so they are delivered there too.
TEST_F(LineEdit, DeliveredInsideALoopThatExcludesUserInput)
{
    EXPECT_TRUE(SendKeys(Platform, "Tessaro Groupe", false));
    QEventLoop Pause;
    QTimer::singleShot(50, &Pause, &QEventLoop::quit);
    Pause.exec(QEventLoop::ExcludeUserInputEvents);
    EXPECT_EQ(Edit->text(), "Tessaro Groupe");
}

TEST_F(LineEdit, ErrorsGoToTheReplacedBox)
{
    EXPECT_FALSE(SendKeys(Platform, "a{FOO}\xff{b", true));
    EXPECT_EQ(Edit->text(), "a");
    EXPECT_EQ(Boxes, (std::vector<std::string>{"SendKeys: Invalid Key Name", "SendKeys: Invalid KeyName",
                                               "SendKeys: No Close"}));
}

TEST_F(LineEdit, FailedScriptLeavesNoModifierDown)
{
    EXPECT_FALSE(SendKeys(Platform, "+^(a{LEFT", true));
    EXPECT_FALSE(Platform.IsDown(0x10));
    EXPECT_FALSE(Platform.IsDown(0x11));
    EXPECT_TRUE(SendKeys(Platform, "b", true));
    EXPECT_EQ(Edit->text().right(1), "b") << "typed without Shift";
}

using MessageBox = QtTest;

TEST_F(MessageBox, DefaultIsAModalBoxCaptionedSendKeysWithOneOkButton)
{
    TQtKeyPlatform Platform(TKeyboardLayout::UnitedStates());
    QString Title, Text;
    int Buttons = -1;
    bool Modal = false;
    QTimer Dismiss;
    QObject::connect(&Dismiss, &QTimer::timeout, [&] {
        auto *Box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!Box)
            return;
        Dismiss.stop();
        Title = Box->windowTitle();
        Text = Box->text();
        Buttons = static_cast<int>(Box->buttons().size());
        Modal = Box->isModal();
        Box->button(QMessageBox::Ok)->click();
    });
    Dismiss.start(10);
    EXPECT_TRUE(SendKeys(Platform, "{FOO}", false));
    EXPECT_EQ(Title, "SendKeys");
    EXPECT_EQ(Text, "Invalid Key Name");
    EXPECT_EQ(Buttons, 1);
    EXPECT_TRUE(Modal);
}

// The tool picks the layout from the locale. The ctest entries that run this
// test set the locale and say which layout they expect.
TEST_F(QtTest, DetectsTheLayoutFromTheLocale)
{
    const QByteArray Expected = qgetenv("NVK_EXPECTED_LAYOUT");
    if (Expected.isEmpty())
        GTEST_SKIP() << "run by the ctest entries that set the locale";
    EXPECT_EQ(TQtKeyPlatform::DetectKeyboardLayout().Name(), Expected.toStdString());
}

// A page whose console errors fail the test.
class TRecordingPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    std::vector<QString> ConsoleErrors;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel Level, const QString &Message, int Line,
                                  const QString &) override
    {
        if (Level == ErrorMessageLevel)
            ConsoleErrors.push_back(Message + " at line " + QString::number(Line));
    }
};

// One view for the whole suite: the engine is slow to start, and the view must
// be gone before the application object.
class PageTyping : public QtTest, public ::testing::WithParamInterface<TypingCase> {
protected:
    static void SetUpTestSuite()
    {
        View = new QWebEngineView;
        Page = new TRecordingPage(View);
        View->setPage(Page);
        bool Loaded = false;
        QObject::connect(Page, &QWebEnginePage::loadFinished, [&Loaded](bool Ok) { Loaded = Ok; });
        View->setHtml("<!DOCTYPE html><html><body>"
                      "<input id=\"field\" type=\"text\" autocomplete=\"off\">"
                      "</body></html>");
        View->resize(400, 200);
        View->show();
        View->activateWindow();
        Ready = WaitUntil([&Loaded] { return Loaded; }) && QTest::qWaitForWindowActive(View);
    }

    static void TearDownTestSuite()
    {
        delete View;
        View = nullptr;
        Page = nullptr;
    }

    void TearDown() override
    {
        for (const QString &Error : Page->ConsoleErrors)
            ADD_FAILURE() << "page console error: " << Error.toStdString();
        Page->ConsoleErrors.clear();
        QtTest::TearDown();
    }

    static QVariant RunJavaScript(const QString &Script)
    {
        auto Answer = std::make_shared<std::optional<QVariant>>();
        Page->runJavaScript(Script, [Answer](const QVariant &Value) { *Answer = Value; });
        EXPECT_TRUE(WaitUntil([Answer] { return Answer->has_value(); })) << Script.toStdString();
        return Answer->value_or(QVariant());
    }

    static inline bool Ready = false;
    static inline QWebEngineView *View = nullptr;
    static inline TRecordingPage *Page = nullptr;
};

TEST_P(PageTyping, TypesTheFixedTextsIntoAFocusedTextField)
{
    ASSERT_TRUE(Ready) << "the page did not load or its window did not become active";
    TQtKeyPlatform Platform(*GetParam().Layout);
    for (const std::string &Text : FixedTexts) {
        ASSERT_EQ(RunJavaScript("var f = document.getElementById('field'); f.value = ''; f.focus();"
                                "document.activeElement === f"),
                  QVariant(true));
        View->setFocus();
        ASSERT_TRUE(WaitUntil([] { return QApplication::focusWidget() == View->focusProxy(); }));

        EXPECT_TRUE(SendKeys(Platform, Text, GetParam().PumpKeyMessages));
        const QString Expected = QString::fromStdString(Text);
        QString Value;
        WaitUntil([&] {
            Value = RunJavaScript("document.getElementById('field').value").toString();
            return Value == Expected;
        });
        EXPECT_EQ(Value.toStdString(), Text);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, PageTyping, ::testing::ValuesIn(TypingCases), CaseName);

} // namespace

int main(int argc, char **argv)
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    qInstallMessageHandler(RecordQtMessage);
    QApplication Application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
