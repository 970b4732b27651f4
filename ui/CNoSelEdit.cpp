#include "ui/CNoSelEdit.h"

IMPLEMENT_DYNAMIC(CNoSelEdit, CEdit)

BEGIN_MESSAGE_MAP(CNoSelEdit, CEdit)
    ON_WM_GETDLGCODE()
END_MESSAGE_MAP()

CNoSelEdit::CNoSelEdit() {}

CNoSelEdit::~CNoSelEdit() {}

UINT CNoSelEdit::OnGetDlgCode() { return CEdit::OnGetDlgCode() & ~DLGC_HASSETSEL; }
