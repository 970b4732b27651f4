#include "afx/CEdit.h"

IMPLEMENT_DYNAMIC(CEdit, CWnd)
