// The automation object: made by its class factory while the main dialog runs,
// tied to the dialog from both sides, and what its release does to the dialog.
#include "VarnelDlgAutoProxy.h"

#include <gtest/gtest.h>

#include "VarnelApp.h"
#include "gui_fixture.h"
#include "res/resource.h"

namespace {

// A client's request, served by the factory's IClassFactory.
IDispatch* CreateThroughFactory()
{
    IClassFactory* classFactory = nullptr;
    CVarnelDlgAutoProxy::factory.ExternalQueryInterface(&IID_IClassFactory, reinterpret_cast<void**>(&classFactory));
    IDispatch* object = nullptr;
    if (classFactory) classFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
    if (classFactory) classFactory->Release();
    return object;
}

CVarnelDlgAutoProxy* ProxyOf(IDispatch* object)
{
    return static_cast<CVarnelDlgAutoProxy*>(CCmdTarget::FromIDispatch(object));
}

class AutomationProxy : public gui_test::DialogTest {
protected:
    void TearDown() override
    {
        AfxOleSetUserCtrl(TRUE);
        EXPECT_EQ(afxtest::OleLockCount(), 0) << "every object was released";
        gui_test::DialogTest::TearDown();
    }

    // Runs the main dialog as the application's main window, as InitInstance does.
    INT_PTR RunAsMainWindow(const std::function<void(CVarnelDlg&)>& step)
    {
        CVarnelDlg dialog;
        app_.m_pMainWnd = &dialog;
        afxtest::ModalScript script;
        script.Then([&](CDialog&) { step(dialog); });
        const INT_PTR result = dialog.DoModal();
        app_.m_pMainWnd = nullptr;
        return result;
    }

    CVarnelApp app_;
};

TEST_F(AutomationProxy, MadeInTheLoopItBindsTheDialogSoEveryCloseOnlyHides)
{
    const INT_PTR result = RunAsMainWindow([](CVarnelDlg& dialog) {
        IDispatch* object = CreateThroughFactory();
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(dialog.m_pAutoProxy, ProxyOf(object));
        EXPECT_EQ(ProxyOf(object)->m_pDialog, &dialog);
        const std::function<void()> closes[] = {
            [&] { afxtest::CloseWindow(&dialog); },
            [&] { afxtest::PressKey(&dialog, afxtest::Key::AltF4); },
            [&] { afxtest::Click(&dialog, IDCANCEL); },  // Exit
            [&] { afxtest::PressKey(&dialog, afxtest::Key::Escape); },
            [&] { dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); },
        };
        for (const auto& close : closes) {
            dialog.ShowWindow(SW_SHOW);
            afxtest::Focus(&dialog, IDC_INPUT_TEXT);
            close();
            EXPECT_FALSE(dialog.IsWindowVisible());
        }
        afxtest::ProcessPostedMessages();
        ASSERT_TRUE(IsWindow(dialog.GetSafeHwnd())) << "the loop runs on";

        object->Release();
        EXPECT_EQ(dialog.m_pAutoProxy, nullptr);
        afxtest::ProcessPostedMessages();
        EXPECT_TRUE(IsWindow(dialog.GetSafeHwnd())) << "a user's instance waits for its user";
        afxtest::CloseWindow(&dialog);
    });
    EXPECT_EQ(result, IDCANCEL) << "the close after the release closes";
}

TEST_F(AutomationProxy, AnEmbeddedInstanceClosesWithTheLastReleaseOnlyWhenHidden)
{
    AfxOleSetUserCtrl(FALSE);  // started with /Embedding
    for (bool hide : {true, false}) {
        const INT_PTR result = RunAsMainWindow([hide](CVarnelDlg& dialog) {
            IDispatch* object = CreateThroughFactory();
            if (hide) afxtest::PressKey(&dialog, afxtest::Key::Escape);
            if (object) object->Release();
            afxtest::ProcessPostedMessages();
        });
        EXPECT_EQ(result, hide ? IDCANCEL : IDABORT) << (hide ? "closed by itself" : "left for its user");
    }
}

TEST_F(AutomationProxy, WhicheverGoesFirstNoPointerIsLeftDangling)
{
    IDispatch* outliving = nullptr;
    RunAsMainWindow([&](CVarnelDlg& dialog) {
        IDispatch* first = CreateThroughFactory();
        outliving = CreateThroughFactory();  // a second object takes the dialog over
        ASSERT_TRUE(first && outliving);
        EXPECT_EQ(ProxyOf(first)->m_pDialog, nullptr);
        first->Release();
        EXPECT_EQ(dialog.m_pAutoProxy, ProxyOf(outliving));
    });
    EXPECT_EQ(ProxyOf(outliving)->m_pDialog, nullptr) << "the dialog's destructor cleared the link";
    EXPECT_EQ(outliving->Release(), 0u);

    CDialog about(IDD_ABOUTBOX);  // a main window of another class is not served
    app_.m_pMainWnd = &about;
    IDispatch* unbound = CreateThroughFactory();
    ASSERT_NE(unbound, nullptr);
    EXPECT_EQ(ProxyOf(unbound)->m_pDialog, nullptr);
    unbound->Release();
    app_.m_pMainWnd = nullptr;
}

TEST_F(AutomationProxy, AnObjectWithoutMembers)
{
    IDispatch* object = CreateThroughFactory();
    ASSERT_NE(object, nullptr);
    const IID dispatchIid = MakeGuid("{067A5752-43A9-4588-A6A4-50DAC08BA9BE}");
    const IID otherIid = MakeGuid("{067A5752-43A9-4588-A6A4-50DAC08BA9BF}");
    void* answer = nullptr;
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, &dispatchIid}) {
        EXPECT_EQ(object->QueryInterface(*iid, &answer), S_OK);
        EXPECT_EQ(answer, static_cast<void*>(object));
        object->Release();
    }
    EXPECT_EQ(object->QueryInterface(otherIid, &answer), E_NOINTERFACE);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &answer), E_NOINTERFACE);

    OLECHAR visible[] = u"Visible", speak[] = u"Speak";
    LPOLESTR names[] = {visible, speak};
    DISPID ids[] = {3, 4};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(object->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(object->Invoke(DISPID_VALUE, otherIid, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    UINT count = 1;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(object->Release(), 0u);
}

}  // namespace
