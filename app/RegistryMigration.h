#pragma once
// The product key and the one-time copy of the previous release's settings.

#include "afx/Afx.h"

// HKEY_CURRENT_USER paths of this release's and the previous release's keys.
#define PRODUCT_KEY_PATH          L"Software\\Tamberlow\\Varnel3"
#define PREVIOUS_PRODUCT_KEY_PATH L"Software\\Tamberlow\\Varnel2"

// Copies every value of one section from the old product key (hSourceRoot) to
// the new one (hDestRoot), each with its own type; values over 1 MB are not
// copied. With an exclusion text, a value whose name occurs anywhere in that
// text (case-sensitive; the empty default name occurs in every text) is
// skipped. TRUE when both section keys opened and every value was read.
BOOL CopyRegistryValues(LPCWSTR pszExclusion, HKEY hDestRoot, HKEY hSourceRoot, const CString& strSection);

enum PRODUCTKEYRESULT
{
    PRODUCT_KEY_FAILED = -1,   // the key can't be created or opened
    PRODUCT_KEY_EXISTED = 0,   // already there: nothing copied
    PRODUCT_KEY_CREATED = 1,   // new, no previous release's key to copy from
    PRODUCT_KEY_MIGRATED = 2,  // new, filled from the previous release's key
};

// Creates or opens the product key; a newly created key is filled from the
// previous release's Frame, Network (without "SettingInitialized") and
// Settings sections.
PRODUCTKEYRESULT CreateProductKey();
