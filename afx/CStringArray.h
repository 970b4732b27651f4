#pragma once
#include "afx/CArray.h"
#include "afx/CString.h"

class CStringArray : public CArray<CString, const CString&>
{};
