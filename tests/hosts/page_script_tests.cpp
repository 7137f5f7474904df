// A page's script as a browser runs it: Wine's VBScript engine hosted through IActiveScript,
// the object handed to it as a named item after the host marked it safe for untrusted callers
// (what a browser does before a page may script a control). The script calls the tray methods
// with a string, the only thing a page can pass, and must get an error it can see while
// nothing is read, started or shown; the object's other methods keep working for it.
#include <gtest/gtest.h>
#include <initguid.h>  // the engine interfaces' IIDs are defined here: no library holds them all
#include <activscp.h>
#include <objsafe.h>
#include <string>

#include "automation/ntf_object.h"
#include "automation/class_factory.h"
#include "module/module_state.h"
#include "popup/notify_session.h"
#include "tray/tray_thread.h"

namespace {

// The engine's class; the parse interface's IID differs by pointer size, the SDK picks it.
const CLSID kVBScript = {
    0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};

// The page: one named item, "ntf", the object the host created.
class PageSite : public IActiveScriptSite {
public:
    explicit PageSite(IUnknown* item) : item_(item) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IActiveScriptSite)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetLCID(LCID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown,
                                          ITypeInfo** info) override
    {
        if (info)
            *info = nullptr;
        if (std::wstring(name) != L"ntf" || !(mask & SCRIPTINFO_IUNKNOWN) || !unknown)
            return TYPE_E_ELEMENTNOTFOUND;
        item_->AddRef();
        *unknown = item_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError*) override
    {
        ++scriptErrors;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEnterScript() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override { return S_OK; }

    int scriptErrors = 0;

private:
    IUnknown* item_;
};

class PageScript : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(
            DllGetClassObject(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
        ASSERT_EQ(
            factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object_)),
            S_OK);
        factory->Release();
    }
    void TearDown() override
    {
        if (object_) {
            EXPECT_EQ(object_->Release(), 0u);
        }
        EXPECT_EQ(liveObjectCount, 0);
        CoUninitialize();
    }

    void MarkForUntrustedCallers()
    {
        IObjectSafety* safety = nullptr;
        ASSERT_EQ(object_->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)),
                  S_OK);
        EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch,
                                                    INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                    INTERFACESAFE_FOR_UNTRUSTED_CALLER),
                  S_OK);
        safety->Release();
    }

    // Runs the statements, then returns the value of the expression "r" as text.
    std::wstring Run(const wchar_t* statements, int* errors)
    {
        PageSite site(object_);
        IActiveScript* engine = nullptr;
        if (CoCreateInstance(kVBScript, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                             reinterpret_cast<void**>(&engine)) != S_OK)
            return L"<no VBScript engine>";
        IActiveScriptParse* parse = nullptr;
        engine->QueryInterface(IID_IActiveScriptParse, reinterpret_cast<void**>(&parse));
        std::wstring text;
        if (parse && engine->SetScriptSite(&site) == S_OK && parse->InitNew() == S_OK &&
            engine->AddNamedItem(L"ntf", SCRIPTITEM_ISVISIBLE) == S_OK &&
            engine->SetScriptState(SCRIPTSTATE_STARTED) == S_OK) {
            parse->ParseScriptText(statements, nullptr, nullptr, nullptr, 0, 1, 0, nullptr,
                                   nullptr);
            VARIANT value;
            VariantInit(&value);
            if (parse->ParseScriptText(L"r", nullptr, nullptr, nullptr, 0, 1,
                                       SCRIPTTEXT_ISEXPRESSION, &value, nullptr) == S_OK &&
                VariantChangeType(&value, &value, 0, VT_BSTR) == S_OK)
                text = value.bstrVal;
            VariantClear(&value);
        } else {
            text = L"<the engine did not start>";
        }
        if (parse)
            parse->Release();
        engine->Close();
        engine->Release();
        *errors = site.scriptErrors;
        return text;
    }

    IUnknown* object_ = nullptr;
};

TEST_F(PageScript, TheTrayMethodsRaisePermissionDeniedAndTheRestStillWork)
{
    MarkForUntrustedCallers();
    int errors = -1;
    const std::wstring result = Run(LR"(On Error Resume Next
r = ""
ntf.SetTrayIcon "hi"
r = r & "tray=" & Err.Number & ";"
Err.Clear
x = ntf.ShowUpdateBalloon("a longer string than a record would start with")
r = r & "balloon=" & Err.Number & ";" & TypeName(x) & ";"
Err.Clear
x = ntf.SetCheckInfo("a|b", 5)
r = r & "check=" & x & " " & Err.Number
)",
                                    &errors);
    // E_ACCESSDENIED reaches VBScript as its "Permission denied", error 70.
    EXPECT_EQ(result, L"tray=70;balloon=70;Empty;check=0 0");
    EXPECT_EQ(errors, 0) << "On Error Resume Next hands every error to the script";
    EXPECT_STREQ(NotifySession.checkList, "a|b");
    EXPECT_EQ(NotifySession.currentTrayRequest, nullptr);
    EXPECT_EQ(NotifySession.trayWindow, nullptr);
    EXPECT_FALSE(TrayThreadRunning());
    EXPECT_EQ(FindWindowA(kTrayWindowClass, nullptr), nullptr);
    EXPECT_EQ(NotifySession.popupWindow, nullptr);
}

TEST_F(PageScript, WithoutTheHandlerThePageSeesTheErrorAndStops)
{
    MarkForUntrustedCallers();
    int errors = -1;
    const std::wstring result = Run(LR"(r = "before"
ntf.SetTrayIcon "hi"
r = "after"
)",
                                    &errors);
    EXPECT_EQ(result, L"before");
    EXPECT_EQ(errors, 1) << "the script's error reaches the page's error handler";
    EXPECT_EQ(NotifySession.currentTrayRequest, nullptr);
}

}  // namespace
