#include <afxdisp.h>

#include <gtest/gtest.h>

namespace {

class CShape : public CCmdTarget {
    DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CCmdTarget)

class CCircle : public CShape {
    DECLARE_DYNCREATE(CCircle)
public:
    int radius = 7;
};
IMPLEMENT_DYNCREATE(CCircle, CShape)

}  // namespace

TEST(RuntimeClass, NameBaseAndKind)
{
    const CRuntimeClass* circle = RUNTIME_CLASS(CCircle);
    EXPECT_STREQ(circle->m_lpszClassName, "CCircle");
    EXPECT_EQ(circle->m_pBaseClass, RUNTIME_CLASS(CShape));
    EXPECT_EQ(RUNTIME_CLASS(CShape)->m_pBaseClass, RUNTIME_CLASS(CCmdTarget));
    EXPECT_EQ(RUNTIME_CLASS(CDialog)->m_pBaseClass, RUNTIME_CLASS(CWnd));
    CCircle c;
    EXPECT_TRUE(c.IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(c.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(c.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(c.IsKindOf(nullptr));
    EXPECT_EQ(c.GetRuntimeClass(), circle);
}

TEST(RuntimeClass, CreatableByNameOnlyWithDynCreate)
{
    const CRuntimeClass* found = CRuntimeClass::FromName("CCircle");
    ASSERT_EQ(found, RUNTIME_CLASS(CCircle));
    CObject* object = found->CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(static_cast<CCircle*>(object)->radius, 7);
    delete object;
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
    EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
}

TEST(RuntimeClass, DynamicDowncastChecksTheKind)
{
    CCircle circle;
    CShape shape;
    EXPECT_EQ(DYNAMIC_DOWNCAST(CShape, static_cast<CObject*>(&circle)), &circle);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CCircle, &shape), nullptr);
    EXPECT_EQ(DYNAMIC_DOWNCAST(CShape, static_cast<CObject*>(nullptr)), nullptr);
}

TEST(Exception, DeleteFreesHeapExceptionsOnly)
{
    COleException onStack(E_FAIL);
    onStack.Delete();  // must not free a stack object
    EXPECT_EQ(onStack.m_sc, E_FAIL);
    try {
        AfxThrowOleException(DISP_E_MEMBERNOTFOUND);
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(COleException)));
        char text[64];
        EXPECT_TRUE(e->GetErrorMessage(text, sizeof text));
        EXPECT_STREQ(text, "Member not found.");
        EXPECT_EQ(COleException::Process(e), DISP_E_MEMBERNOTFOUND);
        e->Delete();  // the sanitizer build shows a leak otherwise
    }
}

TEST(Exception, SystemTextsComeWithoutTheirLineEnd)
{
    char text[128];
    EXPECT_TRUE(COleException(REGDB_E_CLASSNOTREG).GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "Class not registered");
    EXPECT_TRUE(COleException(E_ACCESSDENIED).GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "Access is denied.");
    EXPECT_TRUE(COleException(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)).GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "The system cannot find the file specified.");
}

TEST(Exception, ErrorMessagesAreCutToTheBuffer)
{
    COleDispatchException e("Index out of range", 0, 0);
    char small[6];
    EXPECT_TRUE(e.GetErrorMessage(small, sizeof small));
    EXPECT_STREQ(small, "Index");
    EXPECT_FALSE(e.GetErrorMessage(small, 0));
    COleDispatchException bare(nullptr, 0, 0);
    bare.m_scError = DISP_E_BADINDEX;
    char text[64];
    EXPECT_TRUE(bare.GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "Invalid index.");
    COleException unknown(static_cast<SCODE>(0x80041234));
    EXPECT_TRUE(unknown.GetErrorMessage(text, sizeof text));
    EXPECT_STREQ(text, "Unknown error (0x80041234)");
    EXPECT_FALSE(CException().GetErrorMessage(text, sizeof text));
}
