#pragma once
// The maker's help page, opened in the default browser.

#include "afx/Afx.h"

// The page address with "?ver=" and the version, plus "&topic=" and the topic
// (unescaped) when a non-empty topic is given.
CString HelpPageAddress(LPCWSTR pszTopic);

// Opens HelpPageAddress(pszTopic); failures are not reported.
void OpenHelpPage(LPCWSTR pszTopic);
