#include "afx/CComboBox.h"

IMPLEMENT_DYNAMIC(CComboBox, CWnd)
