// The font picker: one TrueType face of a character set, or none, and a size.
#pragma once

#include <string>

#include "framework/ComboBox.h"
#include "framework/Dialog.h"

// Shown and stored for "no font chosen".
constexpr char kNoFontText[] = "  ---";

class CFontPickDlg : public CDialog {
public:
    explicit CFontPickDlg(CWnd* pParentWnd = nullptr);
    ~CFontPickDlg() override;

    // Input: the GDI character set whose faces are offered; the caller sets it.
    int m_nCharSet = DEFAULT_CHARSET;
    // Input: the face to preselect (a prefix is enough). Output: the chosen
    // face or kNoFontText. Code page 932 text.
    std::string m_strFace;
    CComboBox m_cbFace;
    // Input and output: points, 0 to 100.
    int m_nSize = 0;
    // Input: the language label shown above the faces.
    std::string m_strLanguage;

    BOOL OnInitDialog() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    void AddTrueTypeFaces() const;
    void SelectFace() const;
};
