#include "browser/errors.h"
#include "browser/pagebridge.h"
#include "tests/browser/browsertest.h"

using LateBoundTest = BrowserTest;

TEST_F(LateBoundTest, ChainsReachTheDocumentModelWithoutRegardToCase)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    const Variant forms = Call(Document(), "forms");

    EXPECT_EQ(Call(forms, "Length").ToInteger(), 2);
    EXPECT_EQ(Call(Item(forms, 0), "Length").ToInteger(), 6);
    EXPECT_EQ(Call(Item(forms, 1), "length").ToInteger(), 1);

    const Variant all = Call(Document(), "all");
    const Variant tags = Call(all, "tags", {TArgType::Text}, {std::string("FORM")});
    EXPECT_EQ(Call(tags, "Length").ToInteger(), 2);

    // The form's own item reaches its elements by index; name and Name are
    // the same property.
    const Variant first = Item(forms, 0);
    for (int32_t i = 0; i < 6; ++i) {
        const Variant lower = Call(Item(first, i), "name");
        const Variant upper = Call(Item(first, i), "Name");
        EXPECT_EQ(lower.ToUtf8(), upper.ToUtf8()) << "element " << i;
    }
    EXPECT_EQ(Call(Item(first, 0), "value").ToUtf8(), "Lille");
    EXPECT_EQ(Call(Item(first, 4), "Type").ToUtf8(), "textarea");
    EXPECT_EQ(Call(Item(first, 5), "name").ToUtf8(), "");
    EXPECT_EQ(Call(Item(first, 5), "type").ToUtf8(), "button");

    // Past the end there is nothing, and a call on nothing is refused.
    const Variant beyond = Item(first, 99);
    EXPECT_TRUE(beyond.IsNull());
    EXPECT_THROW(Call(beyond, "name"), EVariantInvalidOpError);
}

TEST_F(LateBoundTest, ByReferenceAndTextArgumentsReachThePage)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    int32_t formIndex = 1;
    int32_t elementIndex = 0;
    const Variant forms = Call(Document(), "forms");
    const Variant form = Call(forms, "Item", {TArgType::IntegerRef}, {&formIndex});
    const Variant element = Call(form, "Item", {TArgType::IntegerRef}, {&elementIndex});
    EXPECT_EQ(Call(element, "name").ToUtf8(), "zipcode");

    // The classic form.item(name, index) and FireEvent.
    const Variant firstForm = Item(forms, 0);
    const Variant secondRadio = Call(firstForm, "item", {TArgType::Text, TArgType::Integer},
                                     {std::string("kind"), int32_t{1}});
    EXPECT_EQ(Call(secondRadio, "value").ToUtf8(), "company");
    testutil::RunInPage(*browser, "document.forms[0].region.addEventListener('change', "
                                  "(e) => { document.title = 'changed ' + e.bubbles; })");
    const Variant region = Call(firstForm, "item", {TArgType::Text, TArgType::Integer},
                                {std::string("region"), int32_t{0}});
    Call(region, "FireEvent", {TArgType::Text}, {std::string("ONCHANGE")});
    EXPECT_EQ(testutil::RunInPage(*browser, "document.title"), "changed true");

    // parentWindow is the document's window.
    EXPECT_EQ(Call(Call(Document(), "parentWindow"), "location").VType(), TVarType::Dispatch);
}

namespace {

// An automation object of our own that writes through a by-reference
// argument, as a callee may.
class TDoublingObject : public IDispatch {
public:
    HRESULT GetIDsOfNames(const std::u16string &, DISPID &id) override
    {
        id = 1;
        return ole::S_OK;
    }
    HRESULT Invoke(DISPID, TInvokeKind kind, std::vector<Variant> &args, Variant *result,
                   TExcepInfo *) override
    {
        lastKind = kind;
        if (!args.empty() && args[0].VType() == TVarType::ByRefInteger)
            *args[0].AsIntegerRef() *= 2;
        if (result)
            *result = Variant::FromInteger(static_cast<int32_t>(args.size()));
        return ole::S_OK;
    }
    TInvokeKind lastKind = TInvokeKind::Method;
};

} // namespace

TEST(LateBoundCallTest, PassesArgumentsLastFirstAndWritesThroughReferences)
{
    auto object = std::make_shared<TDoublingObject>();
    const Variant target = Variant::FromDispatch(object);
    int32_t value = 21;
    Variant result;
    LateBoundCall(&result, target,
                  TCallDesc{TInvokeKind::Method, {TArgType::Text, TArgType::IntegerRef}, "Twice"},
                  {std::string("x"), &value});
    EXPECT_EQ(value, 42);
    EXPECT_EQ(result.ToInteger(), 2);
    EXPECT_EQ(object->lastKind, TInvokeKind::Method);

    // With no arguments and a result wanted, a method call also reads.
    LateBoundCall(&result, target, TCallDesc{TInvokeKind::Method, {}, "Length"});
    EXPECT_EQ(object->lastKind, TInvokeKind::MethodOrPropertyGet);
    LateBoundCall(nullptr, target, TCallDesc{TInvokeKind::Method, {}, "click"});
    EXPECT_EQ(object->lastKind, TInvokeKind::Method);

    // A variant holding a reference to an object variant is followed.
    Variant reference = Variant::ByRef(const_cast<Variant *>(&target));
    LateBoundCall(&result, reference, TCallDesc{TInvokeKind::Method, {}, "Length"});
    EXPECT_EQ(result.ToInteger(), 0);
}

TEST(LateBoundCallTest, RaisesTheErrorOfEachFailedPrecondition)
{
    const TCallDesc desc{TInvokeKind::Method, {}, "name"};
    const auto expectError = [&](const Variant &target, const char *errorClass,
                                 const std::string &message) {
        Variant result = Variant::FromInteger(7);
        try {
            LateBoundCall(&result, target, desc);
            ADD_FAILURE() << "no error for " << target.TypeName();
        } catch (const Exception &e) {
            EXPECT_STREQ(e.ClassName(), errorClass) << target.TypeName();
            EXPECT_EQ(e.Message(), message) << target.TypeName();
        }
    };
    for (const Variant &target : {Variant(), Variant::Null(), Variant::FromInteger(0),
                                  Variant::FromBoolean(true), Variant::FromUtf8("document")})
        expectError(target, "EVariantInvalidOpError", "Opération de variant incorrecte");
    expectError(Variant::FromUnknown(std::make_shared<IUnknownObject>()), "EOleError",
                "Le variant ne référence pas un objet Automation");
    expectError(Variant::FromDispatch(nullptr), "EVariantInvalidOpError",
                "Opération de variant incorrecte");

    TCallDesc tooMany{TInvokeKind::Method, std::vector<TArgType>(65, TArgType::Integer), "x"};
    try {
        LateBoundCall(nullptr, Variant::FromDispatch(std::make_shared<TDoublingObject>()),
                      tooMany, std::vector<TCallArg>(65, int32_t{0}));
        ADD_FAILURE() << "65 arguments were accepted";
    } catch (const EOleError &e) {
        EXPECT_EQ(e.Message(), "Les méthodes Dispatch ne gèrent pas plus de 64 paramètres");
    }
}

TEST_F(LateBoundTest, PageErrorsComeBackWithTheirClassAndMessage)
{
    ASSERT_TRUE(testutil::Load(*browser, "forms.html"));
    const Variant document = Document();

    // An unknown member, named as the call site wrote it; the result
    // variant is left as it was.
    Variant result = Variant::FromInteger(5);
    try {
        LateBoundCall(&result, document, TCallDesc{TInvokeKind::Method, {}, "NoSuchMember"});
        ADD_FAILURE() << "unknown member accepted";
    } catch (const EOleError &e) {
        EXPECT_STREQ(e.ClassName(), "EOleError");
        EXPECT_EQ(e.Message(), "Méthode 'NoSuchMember' non supportée par l'objet Automation");
    }

    // A page exception: its message without the final period.
    try {
        LateBoundCall(&result, document,
                      TCallDesc{TInvokeKind::Method, {TArgType::Text}, "createElement"},
                      {std::string("1bad")});
        ADD_FAILURE() << "exception not raised";
    } catch (const EOleException &e) {
        EXPECT_EQ(e.ErrorCode(), ole::DISP_E_EXCEPTION);
        EXPECT_NE(e.Message().find("1bad"), std::string::npos) << e.Message();
        EXPECT_NE(e.Message().back(), '.');
        EXPECT_EQ(e.Source(), "InvalidCharacterError");
    }
    EXPECT_TRUE(result.IsEmpty()) << "a failed call leaves the result empty";

    // A property called as a method with arguments is not a method.
    EXPECT_THROW(Call(document, "title", {TArgType::Integer}, {int32_t{1}}), EOleSysError);

    // Objects of a document that has gone fail, quickly and cleanly.
    const Variant form = Item(Call(document, "forms"), 0);
    ASSERT_TRUE(testutil::Load(*browser, "image.html"));
    try {
        Call(form, "name");
        ADD_FAILURE() << "a form of a gone document answered";
    } catch (const EOleSysError &e) {
        EXPECT_EQ(e.ErrorCode(), ole::RPC_E_DISCONNECTED);
    }
    EXPECT_EQ(Call(Call(Document(), "forms"), "length").ToInteger(), 0);
}

TEST(TrimExceptionDescriptionTest, DropsTrailingBlanksControlsAndPeriods)
{
    EXPECT_EQ(TrimExceptionDescription("Accès refusé. \r\n"), "Accès refusé");
    EXPECT_EQ(TrimExceptionDescription("a..."), "a");
    EXPECT_EQ(TrimExceptionDescription(" .\t"), "");
    EXPECT_EQ(TrimExceptionDescription("fin !"), "fin !");
    // An exception whose text trims to nothing shows the status's text.
    try {
        TExcepInfo info;
        info.Description = "...";
        RaiseInvokeError(ole::DISP_E_EXCEPTION, info);
    } catch (const EOleException &e) {
        EXPECT_EQ(e.Message(), "Une exception s'est produite");
    }
    EXPECT_EQ(ole::StatusText(static_cast<HRESULT>(0x8000FFFF)), "Erreur OLE 8000FFFF");
}

TEST(VariantTest, ConvertsWithTheRuntimeRules)
{
    EXPECT_EQ(Variant().ToInteger(), 0);
    EXPECT_EQ(Variant::FromBoolean(true).ToInteger(), -1);
    EXPECT_EQ(Variant::FromUtf8(" 12 ").ToInteger(), 12);
    EXPECT_EQ(Variant::FromDouble(2.5).ToInteger(), 2);
    EXPECT_EQ(Variant::FromInteger(-3).ToUtf8(), "-3");
    EXPECT_EQ(Variant::FromUtf8("Tessaro é").ToUtf8(), "Tessaro é");
    EXPECT_THROW(Variant::Null().ToInteger(), EVariantTypeCastError);
    EXPECT_THROW(Variant::FromUtf8("abc").ToInteger(), EVariantTypeCastError);
    EXPECT_THROW(Variant::FromDouble(1e12).ToInteger(), EVariantOverflowError);
    try {
        Variant::Null().ToUtf8();
    } catch (const EVariantTypeCastError &e) {
        EXPECT_EQ(e.Message(), "Impossible de convertir le variant de type (Null) en type (OleStr)");
    }
}
