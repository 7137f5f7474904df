// Hosts built against the public header: a C++ host and a C host call the object
// early-bound, and each method's slot must reach the field it sets.
#include <gtest/gtest.h>
#include <cstring>

#include "NtfObj.h"
#include "popup/notify_session.h"

extern "C" int RunCHost(void);

namespace {

class Host : public testing::Test {
protected:
    void SetUp() override
    {
        InitialNotifySession(&NotifySession);
        NotifySession.resultCode = 7;
    }
    void ExpectSessionFromHost()
    {
        EXPECT_STREQ(NotifySession.checkList, "c1|c2");
        EXPECT_EQ(NotifySession.checkMask, 3);
        EXPECT_STREQ(NotifySession.buttonList, "c1|c2");
        EXPECT_EQ(NotifySession.buttonMask, 4);
        EXPECT_STREQ(NotifySession.comboList, "c1|c2");
        EXPECT_EQ(NotifySession.closeDelayMs, 12345u);
        EXPECT_EQ(NotifySession.gradientFrom, 1u);
        EXPECT_EQ(NotifySession.gradientTo, 2u);
        EXPECT_EQ(NotifySession.borderColor, 3u);
        EXPECT_EQ(NotifySession.titleColor, 4u);
        EXPECT_EQ(NotifySession.bodyColor, 5u);
        EXPECT_EQ(NotifySession.appIcon, reinterpret_cast<HICON>(0x4321));
        EXPECT_EQ(NotifySession.ownerWindow, reinterpret_cast<HWND>(0x99));
        if (NotifySession.popupWindow)
            DestroyWindow(NotifySession.popupWindow);
    }
};

TEST_F(Host, CHostReachesEveryMethodThroughTheTable)
{
    EXPECT_EQ(RunCHost(), 0) << "first failing line of c_host.c";
    ExpectSessionFromHost();
}

TEST_F(Host, CppHostReachesEveryMethodThroughTheTable)
{
    IClassFactory* factory = nullptr;
    ASSERT_EQ(
        DllGetClassObject(CLSID_NtfObj, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        S_OK);
    IAxObj* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAxObj, reinterpret_cast<void**>(&object)),
              S_OK);
    factory->Release();

    BSTR list = SysAllocString(L"c1|c2");
    short ret = -1;
    EXPECT_EQ(object->SetCheckInfo(list, 3, &ret), S_OK);
    EXPECT_EQ(ret, 0);
    object->SetButtonInfo(list, 4, &ret);
    object->SetComboxInfo(list, 5, &ret);
    object->TimeInterval(12345);
    object->SetColor(1, 2, 3, 4, 5);
    object->SetAppIcon(reinterpret_cast<HICON>(0x4321));
    ret = -1;
    EXPECT_EQ(object->SetTrayIcon(nullptr, &ret), S_OK);
    EXPECT_EQ(ret, 7);
    ret = -1;
    object->Action(nullptr, nullptr, nullptr, nullptr, 0x99, 0, &ret);
    EXPECT_EQ(ret, 7);
    EXPECT_EQ(object->Release(), 0u);
    SysFreeString(list);
    ExpectSessionFromHost();
}

}  // namespace
