#include <afxdisp.h>

#include <gtest/gtest.h>

namespace {

constexpr IID IID_IShape = MakeGuid("{5E1A0001-0000-4000-8000-00000000A001}");
constexpr IID IID_ICircle = MakeGuid("{5E1A0001-0000-4000-8000-00000000A002}");

class CShapeObject : public CCmdTarget {
public:
    explicit CShapeObject(bool automation) { if (automation) EnableAutomation(); }
    DECLARE_INTERFACE_MAP()
};
BEGIN_INTERFACE_MAP(CShapeObject, CCmdTarget)
    INTERFACE_PART(CShapeObject, IID_IShape, Dispatch)
END_INTERFACE_MAP()

class CCircleObject : public CShapeObject {
public:
    CCircleObject() : CShapeObject(true) {}
    DECLARE_INTERFACE_MAP()
};
BEGIN_INTERFACE_MAP(CCircleObject, CShapeObject)
    INTERFACE_PART(CCircleObject, IID_ICircle, Dispatch)
END_INTERFACE_MAP()

}  // namespace

TEST(CmdTargetCom, EntriesOfTheWholeChainAnswerOnlyOnceAutomationIsOn)
{
    CCircleObject circle;
    CShapeObject shape(true), plain(false);
    const struct {
        CCmdTarget* target;
        const IID* iid;
        bool answers;
    } cases[] = {{&circle, &IID_IShape, true}, {&circle, &IID_ICircle, true}, {&shape, &IID_ICircle, false},
                 {&plain, &IID_IShape, false}, {&plain, &IID_IUnknown, false}, {&plain, &IID_IDispatch, false}};
    for (const auto& c : cases) {
        void* answer = reinterpret_cast<void*>(1);
        EXPECT_EQ(c.target->ExternalQueryInterface(c.iid, &answer), c.answers ? S_OK : E_NOINTERFACE);
        EXPECT_EQ(answer, c.answers ? static_cast<void*>(c.target->GetIDispatch(FALSE)) : nullptr);
        if (c.answers) c.target->ExternalRelease();
    }
    EXPECT_EQ(circle.m_dwRef, 1);
}
