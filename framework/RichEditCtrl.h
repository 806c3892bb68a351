#pragma once
#include "framework/Wnd.h"

#include <richedit.h>

class CRichEditCtrl : public CWnd {
public:
    int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
    int GetFirstVisibleLine() const { return static_cast<int>(SendMessage(EM_GETFIRSTVISIBLELINE)); }
    void SetReadOnly(bool readOnly) const { SendMessage(EM_SETREADONLY, readOnly ? TRUE : FALSE); }
};
