#pragma once

#include "browser/variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QJsonObject;
class TPageObject;

// Raises what a typed call raises when the page answers with that error.
[[noreturn]] void RaiseTypedPageError(const QJsonObject &error);

// Typed views of page objects, for the calls the tool makes on the document
// model with fixed member names. Taking an object as one of these checks its
// DOM class in the page: an object of another class raises EIntfCastError
// "Interface non supportée"; nothing (empty or null) gives a null reference
// without error. A failed call raises EOleException with the page's
// description.
class THtmlInterface {
public:
    bool IsNull() const { return !object_; }
    explicit operator bool() const { return !IsNull(); }
    Variant AsVariant() const;
    // True when the object's document has been replaced (the page was left)
    // or its page has gone.
    bool IsOfGoneDocument() const;
    // The page object, or null.
    const std::shared_ptr<TPageObject> &PageObject() const { return object_; }

protected:
    THtmlInterface() = default;
    THtmlInterface(const Variant &value, const char *domClass);

    Variant Get(const char *name) const;
    void Put(const char *name, const Variant &value) const;
    Variant Call(const char *name, std::vector<Variant> argsFirstToLast) const;

private:
    Variant Invoke(const char *name, TInvokeKind kind, std::vector<Variant> argsLastFirst) const;

    std::shared_ptr<TPageObject> object_;
};

class IHTMLElementCollection : public THtmlInterface {
public:
    IHTMLElementCollection() = default;
    explicit IHTMLElementCollection(const Variant &value)
        : THtmlInterface(value, "HTMLCollection")
    {
    }
    int32_t length() const { return Get("length").ToInteger(); }
    Variant item(const Variant &name, const Variant &index) const
    {
        return Call("item", {name, index});
    }
};

class IHTMLFormElement : public THtmlInterface {
public:
    IHTMLFormElement() = default;
    explicit IHTMLFormElement(const Variant &value) : THtmlInterface(value, "HTMLFormElement") {}
    Variant item(const Variant &name, const Variant &index) const
    {
        return Call("item", {name, index});
    }
};

class IHTMLDocument2 : public THtmlInterface {
public:
    IHTMLDocument2() = default;
    explicit IHTMLDocument2(const Variant &value) : THtmlInterface(value, "Document") {}
    Variant forms() const { return Get("forms"); }
    Variant parentWindow() const { return Get("defaultView"); }
};

class IHTMLElement : public THtmlInterface {
public:
    IHTMLElement() = default;
    explicit IHTMLElement(const Variant &value) : THtmlInterface(value, "HTMLElement") {}
    std::string tagName() const { return Get("tagName").ToUtf8(); }
};

class IHTMLInputElement : public THtmlInterface {
public:
    IHTMLInputElement() = default;
    explicit IHTMLInputElement(const Variant &value) : THtmlInterface(value, "HTMLInputElement") {}
    std::string type() const { return Get("type").ToUtf8(); }
    void set_checked(bool checked) const { Put("checked", Variant::FromBoolean(checked)); }
    void set_value(const std::u16string &value) const { Put("value", Variant::FromText(value)); }
};

class IHTMLSelectElement : public THtmlInterface {
public:
    IHTMLSelectElement() = default;
    explicit IHTMLSelectElement(const Variant &value)
        : THtmlInterface(value, "HTMLSelectElement")
    {
    }
    void set_value(const std::u16string &value) const { Put("value", Variant::FromText(value)); }
};

class IHTMLTextAreaElement : public THtmlInterface {
public:
    IHTMLTextAreaElement() = default;
    explicit IHTMLTextAreaElement(const Variant &value)
        : THtmlInterface(value, "HTMLTextAreaElement")
    {
    }
    void set_value(const std::u16string &value) const { Put("value", Variant::FromText(value)); }
};
