#include "afx/CStatic.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)
