#include "afx/AfxOle.h"

#include <ole2.h>

BOOL AfxOleInit() { return SUCCEEDED(OleInitialize(nullptr)); }

void AfxEnableControlContainer() {}
