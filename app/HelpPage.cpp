#include "app/HelpPage.h"

namespace {

// The host is ours to choose; the path and the query keys are fixed.
const wchar_t kHelpPageAddress[] = L"https://www.tamberlow.example/varnel/help.html";
const wchar_t kVersion[] = L"3.0.0.1";

}  // namespace

CString HelpPageAddress(LPCWSTR pszTopic)
{
    CString strAddress = CString(kHelpPageAddress) + L"?ver=" + kVersion;
    if (pszTopic != nullptr && pszTopic[0] != L'\0')
        strAddress += CString(L"&topic=") + pszTopic;
    return strAddress;
}

void OpenHelpPage(LPCWSTR pszTopic)
{
    ShellExecuteW(nullptr, nullptr, HelpPageAddress(pszTopic), nullptr, nullptr, SW_SHOW);
}
