// The help page address and its query.

#include <gtest/gtest.h>

#include "app/HelpPage.h"

TEST(HelpPageAddress, VersionAndOptionalTopic)
{
    struct
    {
        LPCWSTR topic;
        LPCWSTR query;
    } cases[] = {
        {nullptr, L"?ver=3.0.0.1"},
        {L"", L"?ver=3.0.0.1"},
        {L"proppage_131", L"?ver=3.0.0.1&topic=proppage_131"},
        {L"a b&c", L"?ver=3.0.0.1&topic=a b&c"},  // not escaped
    };
    for (const auto& c : cases)
    {
        CString address = HelpPageAddress(c.topic);
        SCOPED_TRACE(c.topic ? "topic given" : "no topic");
        int nQuery = address.Find(L'?');
        ASSERT_GT(nQuery, 0);
        EXPECT_STREQ(L"/varnel/help.html", address.Mid(nQuery - 17, 17).GetString());
        EXPECT_STREQ(c.query, address.Mid(nQuery).GetString());
    }
}
