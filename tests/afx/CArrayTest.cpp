#include <gtest/gtest.h>

#include <functional>

#include "afx/CArray.h"
#include "afx/CByteArray.h"
#include "afx/CList.h"
#include "afx/CStringArray.h"

namespace {

struct Rec
{
    int a;
    double b;
};

void Fill(CArray<int, int>& arr, std::initializer_list<int> values)
{
    arr.RemoveAll();
    for (int v : values)
        arr.Add(v);
}

std::string Dump(const CArray<int, int>& arr)
{
    std::string s;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        s += std::to_string(arr[i]) + ",";
    return s;
}

}  // namespace

TEST(CArrayIndex, OutOfRangeRaisesInvalidArg)
{
    CArray<int, int> arr;
    Fill(arr, {1, 2, 3});
    struct Case
    {
        const char* name;
        std::function<void()> op;
    };
    const Case cases[] = {
        {"operator[] -1", [&] { arr[-1]; }},
        {"const operator[] size", [&] { static_cast<const CArray<int, int>&>(arr)[3]; }},
        {"RemoveAt size", [&] { arr.RemoveAt(3); }},
        {"RemoveAt count past end", [&] { arr.RemoveAt(2, 2); }},
        {"RemoveAt -1", [&] { arr.RemoveAt(-1); }},
        {"InsertAt -1", [&] { arr.InsertAt(-1, 0); }},
        {"SetSize -1", [&] { arr.SetSize(-1); }},
    };
    for (const Case& c : cases)
    {
        EXPECT_THROW(c.op(), CInvalidArgException) << c.name;
        EXPECT_EQ("1,2,3,", Dump(arr)) << c.name << " changed the array";
    }
    CStringArray strings;
    EXPECT_THROW(strings[0], CInvalidArgException);
    CByteArray bytes;
    EXPECT_THROW(bytes[0], CInvalidArgException);
}

TEST(CArrayEdit, InsertRemoveSetSizeCopy)
{
    CArray<int, int> arr;
    struct Case
    {
        const char* name;
        std::function<void()> op;
        const char* expected;
    };
    const Case cases[] = {
        {"Add returns index", [&] { EXPECT_EQ(3, arr.Add(9)); }, "1,2,3,9,"},
        {"InsertAt middle", [&] { arr.InsertAt(1, 7); }, "1,7,2,3,"},
        {"InsertAt end", [&] { arr.InsertAt(3, 7); }, "1,2,3,7,"},
        {"InsertAt count", [&] { arr.InsertAt(0, 5, 2); }, "5,5,1,2,3,"},
        {"InsertAt past end grows", [&] { arr.InsertAt(5, 8); }, "1,2,3,0,0,8,"},
        {"RemoveAt middle", [&] { arr.RemoveAt(1); }, "1,3,"},
        {"RemoveAt count", [&] { arr.RemoveAt(0, 3); }, ""},
        {"SetSize grows with zeros", [&] { arr.SetSize(5); }, "1,2,3,0,0,"},
        {"SetSize shrinks", [&] { arr.SetSize(1); }, "1,"},
        {"RemoveAll", [&] { arr.RemoveAll(); }, ""},
    };
    for (const Case& c : cases)
    {
        Fill(arr, {1, 2, 3});
        c.op();
        EXPECT_EQ(c.expected, Dump(arr)) << c.name;
    }

    CArray<int, int> other;
    Fill(other, {4, 5});
    Fill(arr, {1});
    arr.Copy(other);
    EXPECT_EQ("4,5,", Dump(arr));
    EXPECT_EQ(2, arr.GetSize());
    EXPECT_EQ(4, arr.GetData()[0]);
    arr.RemoveAll();
    EXPECT_TRUE(arr.IsEmpty());
    EXPECT_EQ(nullptr, arr.GetData());
}

TEST(CArrayTypes, RecordsStringsAndBytes)
{
    CArray<Rec, Rec&> recs;
    Rec r{1, 2.5};
    recs.Add(r);
    recs[0].a = 7;
    EXPECT_EQ(7, recs[0].a);
    recs.SetSize(2);
    EXPECT_EQ(0, recs[1].a);  // new plain elements are zero

    CStringArray names;
    names.Add(L"PNG");
    names.Add(CString(L"GIF"));
    names.InsertAt(0, L"HTML Format");
    CStringArray copy;
    copy.Copy(names);
    names[0] = L"changed";
    EXPECT_STREQ(L"HTML Format", copy[0].GetString());
    EXPECT_STREQ(L"GIF", copy[2].GetString());

    CByteArray bytes;
    bytes.SetSize(4);
    bytes.GetData()[3] = 0xAB;
    EXPECT_EQ(0xAB, bytes[3]);
    EXPECT_EQ(0, bytes[0]);
}

TEST(CListOps, PositionsHeadAndRemoval)
{
    CList<int, int> list;
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
    EXPECT_THROW(list.RemoveHead(), CInvalidArgException);
    POSITION none = nullptr;
    EXPECT_THROW(list.GetNext(none), CInvalidArgException);

    list.AddTail(1);
    list.AddTail(2);
    POSITION found = list.AddTail(3);
    POSITION p3 = list.AddTail(4);
    auto dump = [&] {
        std::string s;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            s += std::to_string(list.GetNext(pos)) + ",";
        return s;
    };
    EXPECT_EQ("1,2,3,4,", dump());
    EXPECT_EQ(4, list.GetCount());

    list.RemoveAt(found);
    EXPECT_EQ("1,2,4,", dump());
    EXPECT_EQ(1, list.RemoveHead());
    list.RemoveAt(p3);
    EXPECT_EQ("2,", dump());
    EXPECT_EQ(2, list.GetHead());
    list.RemoveAll();
    EXPECT_EQ(0, list.GetCount());
    EXPECT_EQ(nullptr, list.GetHeadPosition());
}

TEST(CListOps, OwnedValues)
{
    CList<CString, const CString&> list;
    list.AddTail(L"a");
    list.AddTail(L"b");
    list.AddTail(L"a");
    EXPECT_STREQ(L"a", list.RemoveHead().GetString());
    EXPECT_STREQ(L"b", list.GetHead().GetString());
    EXPECT_EQ(2, list.GetCount());
}
