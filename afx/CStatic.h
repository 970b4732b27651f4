#pragma once
#include "afx/CWnd.h"

// A static control; its text goes through CWnd.
class CStatic : public CWnd
{
    DECLARE_DYNAMIC(CStatic)
};
