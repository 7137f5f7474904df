#include "popup/notify_session.h"

#include <cstring>
#include <mbstring.h>

#include "module/internal_names.h"
#include "popup/shown_text.h"

void InitialNotifySession(NotifySessionRecord* session)
{
    std::memset(session, 0, sizeof *session);
    session->linkClickable = 1;
    session->closeDelayMs = 9000;
    session->gradientFrom = 0x00F8D6BF;
    session->gradientTo = 0x00FFFFFF;
    session->borderColor = 0x00F8D6BF;
    session->popupWidth = 280;
    session->popupHeight = 180;
    if (session == &NotifySession)
        std::memset(&NotifyTwins, 0, sizeof NotifyTwins);
}

static NotifySessionRecord MakeInitialSession()
{
    NotifySessionRecord session;
    InitialNotifySession(&session);
    return session;
}

NotifySessionRecord NotifySession = MakeInitialSession();

char* FindSeparatorMultibyte(char* text)
{
    // Walks whole characters itself: msvcrt's _mbsstr is not double-byte aware everywhere.
    for (char* p = text; *p;) {
        if (*p == '|')
            return p;
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0')
            p += 2;
        else
            p += 1;
    }
    return nullptr;
}

char* FindSeparatorBytewise(char* text)
{
    return std::strchr(text, '|');
}

int CountListItems(const char* list, bool multibyteAware)
{
    if (list[0] == '\0')
        return 0;
    char* p = const_cast<char*>(list);  // the searches do not write
    int count = 1;
    while ((p = multibyteAware ? FindSeparatorMultibyte(p) : FindSeparatorBytewise(p)) != nullptr) {
        ++count;
        ++p;
    }
    return count;
}

void CountOptionLists()
{
    NotifySession.checkCount = CountListItems(NotifySession.checkList, true);
    if (NotifySession.hasButtonList)
        NotifySession.buttonCount = CountListItems(NotifySession.buttonList, false);
    if (NotifySession.hasComboList)
        NotifySession.comboCount = CountListItems(NotifySession.comboList, true);
}

void ResetSession(const char* closingClass)
{
    if (!(NotifySession.style & NS_STICKY))
        KillTimer(NotifySession.popupWindow, kPopupCloseTimerId);

    NotifySession.closeBoxShown = 0;
    NotifySession.closeBoxClicked = 0;

    std::memset(NotifySession.checkList, 0, sizeof NotifySession.checkList);
    NotifySession.checkMask = 0;
    NotifySession.checkCount = 0;
    NotifySession.hasCheckList = 0;
    std::memset(NotifySession.buttonList, 0, sizeof NotifySession.buttonList);
    NotifySession.buttonMask = 0;
    NotifySession.buttonCount = 0;
    NotifySession.hasButtonList = 0;
    std::memset(NotifySession.comboList, 0, sizeof NotifySession.comboList);
    NotifySession.comboCount = 0;
    NotifySession.hasComboList = 0;
    std::memset(NotifyTwins.checkList, 0, sizeof NotifyTwins.checkList);
    std::memset(NotifyTwins.buttonList, 0, sizeof NotifyTwins.buttonList);
    std::memset(NotifyTwins.comboList, 0, sizeof NotifyTwins.comboList);

    NotifySession.balloonClicked = 0;
    NotifySession.timedOut = 0;

    const unsigned char* name = reinterpret_cast<const unsigned char*>(closingClass);
    if (_mbsicmp(name, reinterpret_cast<const unsigned char*>(kPopupClass)) == 0) {
        NotifySession.popupClosed = 1;
        // A wait loop sleeping in GetMessage does not return for a close sent from another
        // thread; a posted message makes it look at the flag.
        PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    } else if (_mbsicmp(name, reinterpret_cast<const unsigned char*>(kTrayWindowClass)) == 0)
        NotifySession.trayClosed = 1;
}
