#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "app/CAdoPtr.h"
#include "app/CBDFArray.h"

namespace {

HGLOBAL NewBlock(SIZE_T nSize)
{
    HGLOBAL h = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE, nSize);
    EXPECT_TRUE(h != nullptr);
    return h;
}

BOOL IsLiveBlock(HGLOBAL h) { return ::GlobalFlags(h) != GMEM_INVALID_HANDLE; }

CBDF* NewPlaceholder(UINT nFormat, LPCWSTR pszName)
{
    CBDF* p = new CBDF;
    p->m_nFormat = nFormat;
    p->m_strName = pszName;
    return p;
}

TEST(CBDF, ReceivingSideConstructorKeepsItsArguments)
{
    HGLOBAL h = NewBlock(16);
    CBDF record(0xC123, CString(L"PNG"), h, 16);
    EXPECT_EQ(0xC123u, record.m_nFormat);
    EXPECT_EQ(CString(L"PNG"), record.m_strName);
    EXPECT_TRUE(record.m_hGlobal == h);
    EXPECT_EQ(16u, record.m_nSize);
    EXPECT_TRUE(record.m_pData == nullptr);
    ::GlobalFree(h);
}

TEST(CBDF, SizeFitsOnlyThirtyTwoBits)
{
    EXPECT_TRUE(CBDF::SizeFits(0));
    EXPECT_TRUE(CBDF::SizeFits(0xFFFFFFFFull));
    EXPECT_FALSE(CBDF::SizeFits(0x100000000ull));
}

TEST(CBDFArray, FreesRefusedBlocksAndLeavesAcceptedOnes)
{
    HGLOBAL hRefused = NewBlock(32);
    HGLOBAL hAccepted = NewBlock(64);
    {
        CAdoPtr<CBDFArray> set(new CBDFArray);
        set->Add(new CBDF(13, CString(L"CF_UNICODETEXT"), hRefused, 32));
        CBDF* pAccepted = new CBDF(2, CString(L"CF_BITMAP"), hAccepted, 64);
        set->Add(pAccepted);
        set->Add(nullptr);  // skipped by the destructor
        CBDF* pSent = new CBDF;
        pSent->m_nFormat = 1;
        pSent->m_strName = L"CF_TEXT";
        pSent->m_nSize = 3;
        pSent->m_pData = new BYTE[3]{'a', 'b', 0};
        set->Add(pSent);
        set->Add(NewPlaceholder(0xC001, L"HTML Format"));
        // The clipboard took this block: whoever handed it over clears the handle.
        pAccepted->m_hGlobal = nullptr;
        EXPECT_EQ(5, set->GetCount());
        ASSERT_TRUE(IsLiveBlock(hRefused));
    }
    EXPECT_FALSE(IsLiveBlock(hRefused)) << "a block the clipboard refused must go with the set";
    EXPECT_TRUE(IsLiveBlock(hAccepted)) << "a block the clipboard owns must not be freed";
    EXPECT_TRUE(::GlobalFree(hAccepted) == nullptr);
}

TEST(CBDFArray, EmptySetAndIndexesOutsideIt)
{
    CAdoPtr<CBDFArray> set(new CBDFArray);
    EXPECT_EQ(0, set->GetCount());
    EXPECT_TRUE(set->GetAt(0) == nullptr);
    EXPECT_TRUE(set->GetAt(-1) == nullptr);
    const BYTE* pData = reinterpret_cast<const BYTE*>(1);
    DWORD nSize = 7;
    EXPECT_FALSE(set->GetData(0, pData, nSize));
    EXPECT_TRUE(pData == nullptr);
    EXPECT_EQ(0u, nSize);
    int nCalls = 0;
    EXPECT_FALSE(set->LoadData(
        3, [&](CBDF&) { ++nCalls; }, pData, nSize));
    EXPECT_EQ(0, nCalls);
}

// Loads a record with a pattern derived from its format, the way a sender fills
// a placeholder: data first, size after, with a pause between to widen the gap
// another thread could see.
void LoadPattern(CBDF& record, DWORD nSize)
{
    BYTE* p = new BYTE[nSize];
    for (DWORD i = 0; i < nSize; ++i)
        p[i] = static_cast<BYTE>(record.m_nFormat + i);
    record.m_pData = p;
    ::Sleep(1);
    record.m_nSize = nSize;
}

BOOL HasPattern(UINT nFormat, const BYTE* p, DWORD nSize)
{
    for (DWORD i = 0; i < nSize; ++i)
        if (p[i] != static_cast<BYTE>(nFormat + i))
            return FALSE;
    return TRUE;
}

TEST(CBDFArray, LoadedPlaceholderIsServedFromMemoryAfterwards)
{
    CAdoPtr<CBDFArray> set(new CBDFArray);
    set->Add(NewPlaceholder(0xC010, L"PNG"));
    int nCalls = 0;
    const BYTE* pFirst = nullptr;
    DWORD nFirst = 0;
    ASSERT_TRUE(set->LoadData(
        0,
        [&](CBDF& r) {
            ++nCalls;
            LoadPattern(r, 100);
        },
        pFirst, nFirst));
    const BYTE* pSecond = nullptr;
    DWORD nSecond = 0;
    ASSERT_TRUE(set->LoadData(
        0,
        [&](CBDF& r) {
            ++nCalls;
            LoadPattern(r, 5);
        },
        pSecond, nSecond));
    EXPECT_EQ(1, nCalls);
    EXPECT_TRUE(pFirst == pSecond);
    EXPECT_EQ(100u, nSecond);
    const BYTE* pRead = nullptr;
    DWORD nRead = 0;
    ASSERT_TRUE(set->GetData(0, pRead, nRead));
    EXPECT_TRUE(pRead == pFirst);
    EXPECT_EQ(100u, nRead);
}

TEST(CBDFArray, FailedOrInconsistentLoadsLeaveAPlaceholder)
{
    const struct
    {
        const char* pszName;
        BOOL bData;
        DWORD nSize;
    } cases[] = {
        {"loader found nothing", FALSE, 0},
        {"data without size", TRUE, 0},
        {"size without data", FALSE, 42},
    };
    for (const auto& c : cases)
    {
        CAdoPtr<CBDFArray> set(new CBDFArray);
        set->Add(NewPlaceholder(0xC020, L"GIF"));
        const BYTE* pData = nullptr;
        DWORD nSize = 0;
        EXPECT_FALSE(set->LoadData(
            0,
            [&](CBDF& r) {
                if (c.bData)
                    r.m_pData = new BYTE[8];
                r.m_nSize = c.nSize;
            },
            pData, nSize))
            << c.pszName;
        EXPECT_TRUE(set->GetAt(0)->m_pData == nullptr) << c.pszName;
        EXPECT_EQ(0u, set->GetAt(0)->m_nSize) << c.pszName;
        // A later request may try again and succeed.
        EXPECT_TRUE(set->LoadData(
            0, [](CBDF& r) { LoadPattern(r, 4); }, pData, nSize))
            << c.pszName;
        EXPECT_EQ(4u, nSize) << c.pszName;
    }
}

TEST(CBDFArray, LoaderExceptionPassesOnAndReleasesTheLock)
{
    CAdoPtr<CBDFArray> set(new CBDFArray);
    set->Add(NewPlaceholder(0xC030, L"JFIF"));
    const BYTE* pData = nullptr;
    DWORD nSize = 0;
    EXPECT_THROW(set->LoadData(
                     0,
                     [](CBDF& r) {
                         r.m_pData = new BYTE[4];
                         throw CMemoryException();
                     },
                     pData, nSize),
                 CMemoryException);
    EXPECT_TRUE(set->GetAt(0)->m_pData == nullptr);
    // Another thread must get the lock at once (a mutex held by this thread
    // would let this thread in again, so ask from a second one).
    BOOL bLoaded = FALSE;
    std::thread other([&]() {
        bLoaded = set->LoadData(
            0, [](CBDF& r) { LoadPattern(r, 9); }, pData, nSize);
    });
    other.join();
    EXPECT_TRUE(bLoaded);
    EXPECT_EQ(9u, nSize);
}

TEST(CBDFArray, ConcurrentLoadersLoadEachRecordOnceAndNeverSeeItHalfLoaded)
{
    const int nRecords = 6;
    const int nLoaders = 8;
    for (int round = 0; round < 10; ++round)
    {
        CAdoPtr<CBDFArray> set(new CBDFArray);
        for (int i = 0; i < nRecords; ++i)
            set->Add(NewPlaceholder(0xC100 + i, L"fmt"));
        std::atomic<int> nLoads[nRecords];
        for (std::atomic<int>& n : nLoads)
            n = 0;
        std::atomic<bool> go{false};
        std::atomic<bool> loadersDone{false};
        std::atomic<int> nBadViews{0};
        std::vector<const BYTE*> seen(static_cast<size_t>(nRecords * nLoaders), nullptr);

        std::vector<std::thread> threads;
        for (int t = 0; t < nLoaders; ++t)
        {
            CAdoPtr<CBDFArray> mine(set);
            threads.emplace_back([mine, t, &go, &nLoads, &seen, &nBadViews]() {
                while (!go.load())
                    std::this_thread::yield();
                for (int k = 0; k < nRecords; ++k)
                {
                    const int i = (k + t) % nRecords;  // loaders meet on different records
                    const BYTE* pData = nullptr;
                    DWORD nSize = 0;
                    BOOL bOk = mine->LoadData(
                        i,
                        [&](CBDF& r) {
                            ++nLoads[i];
                            LoadPattern(r, 1000 + i);
                        },
                        pData, nSize);
                    if (!bOk || nSize != 1000u + i || !HasPattern(0xC100 + i, pData, nSize))
                        ++nBadViews;
                    seen[static_cast<size_t>(i * nLoaders + t)] = pData;
                }
            });
        }
        // A reader that only looks, as a sender building its directory does.
        CAdoPtr<CBDFArray> readerHold(set);
        std::thread reader([readerHold, &go, &loadersDone, &nBadViews]() {
            while (!go.load())
                std::this_thread::yield();
            while (!loadersDone.load())
            {
                for (int i = 0; i < nRecords; ++i)
                {
                    const BYTE* pData = nullptr;
                    DWORD nSize = 0;
                    readerHold->GetData(i, pData, nSize);
                    if ((pData == nullptr) != (nSize == 0))
                        ++nBadViews;
                    else if (pData != nullptr && (nSize != 1000u + i || !HasPattern(0xC100 + i, pData, nSize)))
                        ++nBadViews;
                }
            }
        });
        go = true;
        for (std::thread& th : threads)
            th.join();
        loadersDone = true;
        reader.join();

        ASSERT_EQ(0, nBadViews.load()) << "round " << round;
        for (int i = 0; i < nRecords; ++i)
        {
            ASSERT_EQ(1, nLoads[i].load()) << "record " << i << " round " << round;
            for (int t = 0; t < nLoaders; ++t)
                ASSERT_TRUE(seen[static_cast<size_t>(i * nLoaders + t)] == set->GetAt(i)->m_pData)
                    << "loader " << t << " got another buffer for record " << i;
        }
    }
}

}  // namespace
