#pragma once
#include <windows.h>

// Class name and base of a window class, as GetRuntimeClass reports them.
struct CRuntimeClass
{
    LPCSTR m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                                                                                    \
public:                                                                                                                \
    static const CRuntimeClass class##class_name;                                                                      \
    const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                                 \
    const CRuntimeClass class_name::class##class_name = {#class_name, RUNTIME_CLASS(base_class_name)};                 \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
