#include <afx.h>

#include <cstring>
#include <mutex>
#include <vector>

namespace {

// Classes registered by IMPLEMENT_DYNAMIC/DYNCREATE, found by name.
std::vector<const CRuntimeClass*>& ClassList()
{
    static std::vector<const CRuntimeClass*> classes;
    return classes;
}

std::mutex& ClassListLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

const CRuntimeClass* CObject::GetThisClass() { return &classCObject; }
const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

BOOL CObject::IsKindOf(const CRuntimeClass* cls) const
{
    return GetRuntimeClass()->IsDerivedFrom(cls);
}

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    if (!base) return FALSE;
    for (const CRuntimeClass* cls = this; cls; cls = cls->m_pBaseClass)
        if (cls == base) return TRUE;
    return FALSE;
}

const CRuntimeClass* CRuntimeClass::FromName(LPCSTR className)
{
    if (!className) return nullptr;
    std::lock_guard guard(ClassListLock());
    for (const CRuntimeClass* cls : ClassList())
        if (std::strcmp(cls->m_lpszClassName, className) == 0) return cls;
    return std::strcmp(className, "CObject") == 0 ? &CObject::classCObject : nullptr;
}

AFX_CLASSINIT::AFX_CLASSINIT(const CRuntimeClass* newClass)
{
    std::lock_guard guard(ClassListLock());
    ClassList().push_back(newClass);
}

CObject* AfxDynamicDownCast(const CRuntimeClass* pClass, CObject* pObject)
{
    return pObject && pObject->IsKindOf(pClass) ? pObject : nullptr;
}
