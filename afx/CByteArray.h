#pragma once
#include "afx/CArray.h"

class CByteArray : public CArray<BYTE, BYTE>
{};
