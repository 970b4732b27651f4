#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "afx/CArray.h"
#include "afx/CException.h"

namespace {

// Far beyond any address space (so no system can commit it, overcommit or
// not), but below the sizes the containers reject themselves, so the request
// reaches operator new.
volatile size_t g_hugeBytes = SIZE_MAX >> 2;
// Storing the result keeps the compiler from removing a new/delete pair.
char* volatile g_sink = nullptr;

}  // namespace

TEST(AfxNew, HugeAllocationsRaiseCMemoryException)
{
    struct Case
    {
        const char* name;
        std::function<void()> op;
    };
    const Case cases[] = {
        {"operator new", [] { g_sink = static_cast<char*>(::operator new(g_hugeBytes)); }},
        {"new char[]", [] { g_sink = new char[g_hugeBytes]; }},
        {"std::vector", [] { std::vector<char> v(g_hugeBytes); }},
        {"std::wstring", [] { std::wstring s(g_hugeBytes / 8, L'x'); }},
        {"CArray::SetSize",
         [] {
             CArray<int, int> a;
             a.SetSize(INT_PTR(g_hugeBytes / 8));
         }},
    };
    for (const Case& c : cases)
    {
        bool caught = false;
        try
        {
            c.op();
        }
        catch (CMemoryException&)
        {
            caught = true;
        }
        catch (...)
        {}
        EXPECT_TRUE(caught) << c.name << " did not raise CMemoryException";
    }
}

TEST(AfxNew, CMemoryExceptionIsBothFrameworkAndStandard)
{
    bool asFramework = false, asStandard = false;
    try
    {
        g_sink = static_cast<char*>(::operator new(g_hugeBytes));
    }
    catch (CException&)
    {
        asFramework = true;
    }
    try
    {
        g_sink = static_cast<char*>(::operator new(g_hugeBytes));
    }
    catch (std::bad_alloc&)
    {
        asStandard = true;
    }
    EXPECT_TRUE(asFramework);
    EXPECT_TRUE(asStandard);
    EXPECT_EQ(nullptr, ::operator new(g_hugeBytes, std::nothrow));
    void* small = ::operator new(0);  // a zero-size request still gives a unique block
    EXPECT_NE(nullptr, small);
    ::operator delete(small);
}
