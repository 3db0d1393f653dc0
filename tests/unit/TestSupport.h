// Shared by the list, settings, font table and window tests: code page 932
// literals, scratch directories for INI files, a real sorted code page list
// and the display's scale.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "framework/ComboBox.h"
#include "framework/Cp932.h"

// The code page 932 bytes of a UTF-8 literal.
inline std::string Sjis(std::u8string_view text)
{
    const char* bytes = reinterpret_cast<const char*>(text.data());
    const int length = static_cast<int>(text.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes, length, wide.data(), static_cast<int>(wide.size()));
    return ToCp932(wide);
}

// A length in pixels at 96 DPI, at the display's DPI as its device context
// tells it.
inline int AtScreenDpi(int nPixels)
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return MulDiv(nPixels, dpi, USER_DEFAULT_SCREEN_DPI);
}

inline std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A fresh directory under the temporary folder, removed with its files.
class TempDirectory {
public:
    TempDirectory()
    {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        static unsigned s_serial = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_path = std::string(base) + "pelisan-" + std::to_string(GetCurrentProcessId()) + "-" +
                     std::to_string(++s_serial);
            if (CreateDirectoryA(m_path.c_str(), nullptr)) {
                break;
            }
        }
    }
    ~TempDirectory()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(File("*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileA(File(found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(m_path.c_str());
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const char* name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// A hidden window holding a drop-down list sorted by its text, as the main
// window's code page list is.
class SortedComboBox {
public:
    SortedComboBox()
        : m_hParent(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                    GetModuleHandleW(nullptr), nullptr))
    {
        m_combo.m_hWnd = CreateWindowExW(0, L"COMBOBOX", L"",
                                         WS_CHILD | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT, 0, 0,
                                         200, 200, m_hParent, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~SortedComboBox() { DestroyWindow(m_hParent); }
    SortedComboBox(const SortedComboBox&) = delete;
    SortedComboBox& operator=(const SortedComboBox&) = delete;

    CComboBox& Combo() { return m_combo; }

private:
    HWND m_hParent;
    CComboBox m_combo;
};
