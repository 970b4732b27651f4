#include "afx/CButton.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)
