#include "app/frmmain.h"

#include "browser/embeddedwb.h"
#include "browser/errordisplay.h"
#include "browser/logging.h"
#include "browser/messagepump.h"
#include "formauto/fieldlister.h"
#include "formauto/fieldsetter.h"
#include "journal/journal.h"
#include "workflows/adworkflows.h"

#include <QCloseEvent>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// The window was designed at this client size; controls anchored to the
// right or bottom edge keep their distance to it from these figures.
constexpr int kDesignWidth = 972;
constexpr int kDesignHeight = 575;
constexpr int kPanelHeight = 33;

QRect RightAnchored(int left, int top, int width, int height, int parentWidth)
{
    return {parentWidth - (kDesignWidth - left), top, width, height};
}

QFont WindowFont()
{
    // Tahoma 8 points at 96 pixels per inch, not scaled with the screen;
    // where Tahoma is not installed the closest sans font stands in.
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

} // namespace

TForm1::TForm1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Annonces NVK"));
    setFont(WindowFont());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(kDesignWidth, kDesignHeight);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Raised);

    const auto makeButton = [this](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, Panel1);
        button->setObjectName(QLatin1String(name));
        return button;
    };
    Button1 = makeButton("Button1", QStringLiteral("GO"));
    Button2 = makeButton("Button2", QStringLiteral("Show Fields"));
    BtnGoDeleteAll = makeButton("BtnGoDeleteAll", QStringLiteral("Delete ALL"));
    BtnGoDeleteOne = makeButton("BtnGoDeleteOne", QStringLiteral("Delete ID"));

    EdNumber = new QLineEdit(QStringLiteral("128400201"), Panel1);
    EdNumber->setObjectName(QStringLiteral("EdNumber"));

    EmbeddedWB1 = new TEmbeddedWB(this);
    EmbeddedWB1->setObjectName(QStringLiteral("EmbeddedWB1"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVisible(false);

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, BtnGoDeleteAll);
    setTabOrder(BtnGoDeleteAll, BtnGoDeleteOne);
    setTabOrder(BtnGoDeleteOne, EdNumber);
    setTabOrder(EdNumber, EmbeddedWB1);
    setTabOrder(EmbeddedWB1, Memo1);

    Bind(Button1, &TForm1::Button1Click);
    Bind(Button2, &TForm1::Button2Click);
    Bind(BtnGoDeleteAll, &TForm1::BtnGoDeleteAllClick);
    Bind(BtnGoDeleteOne, &TForm1::BtnGoDeleteOneClick);

    workflows_ = std::make_unique<TAdWorkflows>(*EmbeddedWB1, FoundFormIndex, FoundElementIndex);

    LayOut();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate()
{
    setWindowTitle(QStringLiteral("NVK - Enregistrement d'annonces"));
}

namespace {

struct TBusyCursor {
    TBusyCursor() { QGuiApplication::setOverrideCursor(Qt::BusyCursor); }
    ~TBusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor &) = delete;
    TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace

void TForm1::Bind(QPushButton *button, void (TForm1::*handler)())
{
    connect(button, &QPushButton::clicked, this, [this, button, handler] {
        ++runningHandlers_;
        qCDebug(lcWorkflow) << "handler starts:" << button->objectName() << "depth" << runningHandlers_;
        Journal().BeginRun(button->text(), button->objectName());
        bool completed = false;
        // The busy cursor shows while any handler runs; each one sets it and
        // takes it off, so it goes once the last one has ended, however it
        // ended.
        {
            const TBusyCursor busy;
            completed = RunGuarded([this, handler] { (this->*handler)(); });
        }
        Journal().EndRun(QuitRequested() ? "closed" : completed ? "done" : "error");
        qCDebug(lcWorkflow) << "handler ends:" << button->objectName() << "depth" << runningHandlers_;
        --runningHandlers_;
    });
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // The tool is this one window: closing it, whatever runs, ends the
    // application. The running workflows unwind at their next step and the
    // main loop returns once they have.
    QWidget::closeEvent(event);
    if (event->isAccepted() && !QuitRequested())
        TQuitWatcher::Instance().RequestQuit();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    LayOut();
    QWidget::resizeEvent(event);
}

void TForm1::LayOut()
{
    const int w = width();
    const int h = height();
    Panel1->setGeometry(0, h - kPanelHeight, w, kPanelHeight);
    Button1->setGeometry(RightAnchored(864, 9, 91, 18, w));
    Button2->setGeometry(RightAnchored(440, 10, 97, 17, w));
    BtnGoDeleteAll->setGeometry(RightAnchored(760, 10, 97, 17, w));
    BtnGoDeleteOne->setGeometry(RightAnchored(656, 10, 97, 17, w));
    EdNumber->setGeometry(539, 7, 110, 21);
    EmbeddedWB1->setGeometry(0, 0, w, h - kPanelHeight);
    Memo1->setGeometry(RightAnchored(744, 0, 233, 543, w).adjusted(0, 0, 0, h - kDesignHeight));
}

void TForm1::SetFormField(const IHTMLFormElement &Form, const std::string &FieldName,
                          const std::string &Value, int32_t Index)
{
    ::SetFormField(*EmbeddedWB1, Form, FieldName, Value, Index);
}

// "Show Fields": shows the memo filled from the page, or hides it as it is.
void TForm1::Button2Click()
{
    Memo1->setVisible(!Memo1->isVisible());
    if (Memo1->isVisible())
        ListFormFields(*EmbeddedWB1, Memo1);
}

void TForm1::AddVO()
{
    workflows_->AddVO();
}

void TForm1::AddPhoto(const std::string &Path)
{
    workflows_->AddPhoto(Path);
}

void TForm1::DeleteOneID(const std::string &AdNumber)
{
    workflows_->DeleteOneID(AdNumber);
}

// GO: the ad form filled twice, with its photos.
void TForm1::Button1Click()
{
    workflows_->GoSequence();
}

void TForm1::BtnGoDeleteOneClick()
{
    DeleteOneID(EdNumber->text().toStdString());
}

void TForm1::BtnGoDeleteAllClick()
{
    workflows_->DeleteAll();
}
