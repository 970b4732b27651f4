#pragma once
#include "afx/CWnd.h"

// A static control: text through CWnd, an icon picture here.
class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    HICON SetIcon(HICON hIcon) {
        return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(hIcon)));
    }
};
