// Message maps: tables that route window messages and commands to handlers.
#pragma once

#include <type_traits>

class CCmdTarget;

// A handler reached through its entry: calls the member with the message's arguments.
using AFX_MSGTHUNK = LRESULT (*)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;  // WM_COMMAND for commands and control notifications
    UINT nCode;     // notification code (BN_CLICKED, CBN_SELCHANGE, ...) or 0
    UINT nID;       // first control/command id, 0 for window messages
    UINT nLastID;
    AFX_MSGTHUNK pfn;  // null ends the table
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

namespace afx_msgmap {
template <class T, auto F>
LRESULT Command(CCmdTarget* target, WPARAM, LPARAM)
{
    (static_cast<T*>(target)->*F)();
    return 0;
}
template <class T, auto F>
LRESULT SysCommand(CCmdTarget* target, WPARAM wParam, LPARAM lParam)
{
    (static_cast<T*>(target)->*F)(static_cast<UINT>(wParam), lParam);
    return 0;
}
template <class T, auto F>
LRESULT ReturnsHandle(CCmdTarget* target, WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>((static_cast<T*>(target)->*F)());
}
template <class T, auto F>
LRESULT Message(CCmdTarget* target, WPARAM wParam, LPARAM lParam)
{
    return (static_cast<T*>(target)->*F)(wParam, lParam);
}
template <class T, auto F>
LRESULT Timer(CCmdTarget* target, WPARAM wParam, LPARAM)
{
    (static_cast<T*>(target)->*F)(static_cast<UINT_PTR>(wParam));
    return 0;
}
}  // namespace afx_msgmap

#define DECLARE_MESSAGE_MAP()                                \
protected:                                                   \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap()                            \
    {                                                                                 \
        using ThisClass = theClass;                                                   \
        using TheBaseClass = baseClass;                                               \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                             \
        {0, 0, 0, 0, nullptr}};                                                       \
        static_assert(std::is_base_of_v<TheBaseClass, ThisClass>,                     \
                      "the message map's base is a base of its class");               \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap,       \
                                              &_messageEntries[0]};                   \
        return &messageMap;                                                           \
    }

// Commands and control notifications: void handler()
#define ON_COMMAND(id, memberFxn) \
    {WM_COMMAND, 0, static_cast<UINT>(id), static_cast<UINT>(id), &::afx_msgmap::Command<ThisClass, &ThisClass::memberFxn>},
#define ON_CONTROL(code, id, memberFxn) \
    {WM_COMMAND, static_cast<UINT>(code), static_cast<UINT>(id), static_cast<UINT>(id), &::afx_msgmap::Command<ThisClass, &ThisClass::memberFxn>},
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)

// Window messages, with the framework's handler names and signatures.
#define ON_WM_SYSCOMMAND() \
    {WM_SYSCOMMAND, 0, 0, 0, &::afx_msgmap::SysCommand<ThisClass, &ThisClass::OnSysCommand>},  // void OnSysCommand(UINT, LPARAM)
#define ON_WM_PAINT() \
    {WM_PAINT, 0, 0, 0, &::afx_msgmap::Command<ThisClass, &ThisClass::OnPaint>},  // void OnPaint()
#define ON_WM_CLOSE() \
    {WM_CLOSE, 0, 0, 0, &::afx_msgmap::Command<ThisClass, &ThisClass::OnClose>},  // void OnClose()
#define ON_WM_DESTROY() \
    {WM_DESTROY, 0, 0, 0, &::afx_msgmap::Command<ThisClass, &ThisClass::OnDestroy>},  // void OnDestroy()
#define ON_WM_QUERYDRAGICON() \
    {WM_QUERYDRAGICON, 0, 0, 0, &::afx_msgmap::ReturnsHandle<ThisClass, &ThisClass::OnQueryDragIcon>},  // HCURSOR OnQueryDragIcon()
#define ON_WM_TIMER() \
    {WM_TIMER, 0, 0, 0, &::afx_msgmap::Timer<ThisClass, &ThisClass::OnTimer>},  // void OnTimer(UINT_PTR)
// Any message: LRESULT handler(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn) \
    {static_cast<UINT>(message), 0, 0, 0, &::afx_msgmap::Message<ThisClass, &ThisClass::memberFxn>},
