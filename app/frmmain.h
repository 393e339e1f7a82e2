#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TEmbeddedWB;
class IHTMLFormElement;
class TAdWorkflows;

// The tool's one window: the embedded browser, a strip of four buttons and
// an edit box at the bottom, and a memo over the browser's right-hand strip
// that lists the fields of the open page.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    QFrame *Panel1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
    QPushButton *BtnGoDeleteAll = nullptr;
    QPushButton *BtnGoDeleteOne = nullptr;
    QLineEdit *EdNumber = nullptr;
    TEmbeddedWB *EmbeddedWB1 = nullptr;
    QPlainTextEdit *Memo1 = nullptr;

    // Where the last element lookup found its element: the form's index in
    // the page and the element's index in that form.
    int32_t FoundFormIndex = 0;
    int32_t FoundElementIndex = 0;

    // Puts a value into a named field of a form of the open page; see
    // formauto/fieldsetter.h.
    void SetFormField(const IHTMLFormElement &Form, const std::string &FieldName,
                      const std::string &Value, int32_t Index);

    void AddVO();
    void AddPhoto(const std::string &Path);
    void DeleteOneID(const std::string &AdNumber);

    void Button1Click();
    void Button2Click();
    void BtnGoDeleteAllClick();
    void BtnGoDeleteOneClick();

    // How many handlers of the window are running, nested ones included.
    int RunningHandlers() const { return runningHandlers_; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void Bind(QPushButton *button, void (TForm1::*handler)());
    void LayOut();

    int runningHandlers_ = 0;
    std::unique_ptr<TAdWorkflows> workflows_;
};
