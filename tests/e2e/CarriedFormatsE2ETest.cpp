// A command-line pass run as its own process on copies other than plain text:
// a copy without text stays as it is, a copying program that renders its
// formats only when asked is asked once for each, and an OLE copy pastes
// through OLE converted, with all it offered.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ProcessRunner.h"
#include "unit/ClipboardProbe.h"
#include "unit/LateRenderer.h"

namespace {

TEST(CommandLineCarry, ACopyWithoutTextIsLeftAsItIs)
{
    const std::wstring workDir = MakeTempDir();
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const std::vector<PlacedFormat> copies[] = {
        {{CF_BITMAP, "", TestBitmap(6, 4)}},
        {{html, WithZero("<p>only HTML</p>")}},
    };
    for (const auto& placed : copies) {
        ASSERT_TRUE(PlaceOnClipboard(placed));
        const std::vector<UINT> formats = ClipboardFormats();
        const std::optional<std::string> drawing = ClipboardDrawing(placed.front().format);
        const DWORD sequence = GetClipboardSequenceNumber();
        EXPECT_EQ(RunPelisan(L"932 /r Arial 12", workDir), 0);
        EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
        EXPECT_EQ(ClipboardFormats(), formats);
        EXPECT_EQ(ClipboardDrawing(placed.front().format), drawing);
    }
}

// Runs the process to its end, answering the requests it makes meanwhile.
int ServeUntilExit(HANDLE process)
{
    const DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &process, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
        if (GetTickCount() - start > 30000) {
            return WaitForExit(process, 0);
        }
    }
    return WaitForExit(process, 1000);
}

// Runs a pass on a copy of this process's, answering its requests, to its
// exit status; what it wrote to standard error in stdError.
int RunServed(const wchar_t* arguments, std::string& stdError)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) {
        return -1;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const HANDLE process = StartPelisan(arguments, MakeTempDir(), writeEnd);
    CloseHandle(writeEnd);
    const int status = process != nullptr ? ServeUntilExit(process) : -1;
    if (process != nullptr) {
        CloseHandle(process);
    }
    char buffer[512];
    DWORD read = 0;
    stdError.clear();
    while (ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read != 0) {
        stdError.append(buffer, read);
    }
    CloseHandle(readEnd);
    return status;
}

TEST(CommandLineCarry, AFormatRenderedLateIsAskedForOnceAndArrivesWholeOrIsNamedAsLeftOut)
{
    const std::wstring text = L"caf\u00e9 \u65e5\u672c";
    const UINT html = RegisterClipboardFormatA("HTML Format");
    const UINT own = RegisterClipboardFormatA("Pelisan test data");
    const UINT failing = RegisterClipboardFormatA("Pelisan data that fails");
    const std::map<UINT, std::string> formats{
        {CF_UNICODETEXT, WithZero(text)},
        {html, WithZero("<b>caf\xc3\xa9</b>")},
        {own, std::string(100000, '\x7f')},
        {failing, "never rendered"},
    };
    LateRenderer renderer(formats);
    renderer.failing.insert(failing);
    ASSERT_TRUE(renderer.Copy());
    for (const auto& entry : formats) {
        ASSERT_TRUE(IsClipboardFormatAvailable(entry.first));
    }
    std::string stdError;
    EXPECT_EQ(RunServed(L"1252", stdError), 0);
    EXPECT_EQ(stdError, "pelisan: converted; left out what could not be read: Pelisan data that fails\n");
    for (const auto& [format, bytes] : formats) {
        EXPECT_EQ(renderer.requests[format], 1) << "format " << format;
        EXPECT_EQ(ClipboardBytes(format), format == failing ? std::nullopt : std::optional(bytes))
            << "format " << format;
    }
    EXPECT_EQ(ClipboardBytes(CF_TEXT), EncodedText(1252, text));
    EXPECT_TRUE(IsClipboardFormatAvailable(MarkerFormatId()));

    // A text its program does not give is a failure, never "no text".
    LateRenderer mute({{CF_UNICODETEXT, WithZero(text)}, {html, WithZero("<b>x</b>")}});
    mute.failing.insert(CF_UNICODETEXT);
    ASSERT_TRUE(mute.Copy());
    const DWORD sequence = GetClipboardSequenceNumber();
    EXPECT_EQ(RunServed(L"1252", stdError), 2);
    EXPECT_EQ(stdError, "pelisan: the program that copied the text did not give it (it failed, or did not answer in "
                        "time); nothing was converted\n");
    EXPECT_EQ(RunServed(L"1252 /repair", stdError), 2);
    EXPECT_EQ(stdError, "pelisan: the program that copied the text did not give it (it failed, or did not answer in "
                        "time); nothing was repaired\n");
    EXPECT_EQ(GetClipboardSequenceNumber(), sequence);
}

// A copying program of OLE's kind: its formats come from a data object that
// it hands to OleSetClipboard, text in memory, a stream and a storage.
class OleSource : public IDataObject {
public:
    struct Offer {
        UINT format;
        DWORD tymed;
        std::string bytes;
    };
    explicit OleSource(std::vector<Offer> offers) : m_offers(std::move(offers)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        *object = iid == IID_IUnknown || iid == IID_IDataObject ? this : nullptr;
        return *object != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    // Lives on the test's stack, longer than OLE holds it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override
    {
        const Offer* offer = Find(format);
        if (offer == nullptr) {
            return DV_E_FORMATETC;
        }
        *medium = {};
        medium->tymed = offer->tymed;
        if (offer->tymed == TYMED_HGLOBAL) {
            medium->hGlobal = NewBlock(offer->bytes);
            return S_OK;
        }
        if (offer->tymed == TYMED_ISTREAM) {
            CreateStreamOnHGlobal(NewBlock(offer->bytes), TRUE, &medium->pstm);
            return S_OK;
        }
        ILockBytes* lockBytes = nullptr;
        CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes);
        StgCreateDocfileOnILockBytes(lockBytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                     &medium->pstg);
        lockBytes->Release();
        IStream* contents = nullptr;
        medium->pstg->CreateStream(L"Contents", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &contents);
        contents->Write(offer->bytes.data(), static_cast<ULONG>(offer->bytes.size()), nullptr);
        contents->Release();
        medium->pstg->Commit(STGC_DEFAULT);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override
    {
        return Find(format) != nullptr ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override
    {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override
    {
        std::vector<FORMATETC> list;
        for (const Offer& offer : m_offers) {
            list.push_back({static_cast<CLIPFORMAT>(offer.format), nullptr, DVASPECT_CONTENT, -1, offer.tymed});
        }
        return direction == DATADIR_GET
                   ? SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), formats)
                   : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    const Offer* Find(const FORMATETC* format) const
    {
        for (const Offer& offer : m_offers) {
            if (offer.format == format->cfFormat && (offer.tymed & format->tymed) != 0) {
                return &offer;
            }
        }
        return nullptr;
    }

    std::vector<Offer> m_offers;
};

// What an OLE paster gets for a format in one kind of medium; none when it
// gets nothing.
std::optional<std::string> OlePaste(IDataObject* paster, UINT format, DWORD tymed)
{
    FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, tymed};
    STGMEDIUM medium{};
    if (FAILED(paster->GetData(&wanted, &medium))) {
        return std::nullopt;
    }
    std::string bytes;
    IStream* stream = medium.tymed == TYMED_ISTREAM ? medium.pstm : nullptr;
    if (medium.tymed == TYMED_HGLOBAL) {
        bytes = BlockBytes(medium.hGlobal);
    } else if (medium.tymed == TYMED_ISTORAGE) {
        medium.pstg->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
    }
    char buffer[256];
    ULONG read = 0;
    while (stream != nullptr && SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read != 0) {
        bytes.append(buffer, read);
    }
    if (stream != nullptr && medium.tymed == TYMED_ISTORAGE) {
        stream->Release();
    }
    ReleaseStgMedium(&medium);
    return bytes;
}

std::vector<UINT> OleFormats(IDataObject* paster)
{
    std::vector<UINT> formats;
    IEnumFORMATETC* list = nullptr;
    if (SUCCEEDED(paster->EnumFormatEtc(DATADIR_GET, &list))) {
        FORMATETC format{};
        while (list->Next(1, &format, nullptr) == S_OK) {
            formats.push_back(format.cfFormat);
        }
        list->Release();
    }
    return formats;
}

TEST(CommandLineCarry, AnOleCopyIsPastedConvertedWithWhatItOffered)
{
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    const std::wstring text = L"\u65e5\u672c\u8a9e";
    const UINT stream = RegisterClipboardFormatA("Pelisan test stream");
    const UINT storage = RegisterClipboardFormatA("Pelisan test storage");
    const UINT dataObject = RegisterClipboardFormatA("DataObject");
    const struct {
        const wchar_t* arguments;
        bool rtfCopy;
    } runs[] = {{L"932", false}, {L"932 /r", true}};
    for (const auto& run : runs) {
        SCOPED_TRACE(testing::Message() << run.arguments);
        // The program's own 8-bit text is its code page's question marks.
        OleSource source({{CF_UNICODETEXT, TYMED_HGLOBAL, WithZero(text)},
                          {CF_TEXT, TYMED_HGLOBAL, EncodedText(1252, text)},
                          {stream, TYMED_ISTREAM, "stream bytes"},
                          {storage, TYMED_ISTORAGE, "storage bytes"}});
        ASSERT_EQ(OleSetClipboard(&source), S_OK);
        ASSERT_TRUE(IsClipboardFormatAvailable(dataObject));
        const HANDLE process = StartPelisan(run.arguments, MakeTempDir());
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(ServeUntilExit(process), 0);
        CloseHandle(process);
        EXPECT_FALSE(IsClipboardFormatAvailable(dataObject)) << "the source's object is not the copy's any more";

        IDataObject* paster = nullptr;
        ASSERT_EQ(OleGetClipboard(&paster), S_OK);
        EXPECT_EQ(OlePaste(paster, CF_UNICODETEXT, TYMED_HGLOBAL), WithZero(text));
        EXPECT_EQ(OlePaste(paster, CF_TEXT, TYMED_HGLOBAL), EncodedText(932, text));
        EXPECT_EQ(OlePaste(paster, stream, TYMED_ISTREAM), "stream bytes");
        const std::vector<UINT> formats = OleFormats(paster);
        if (run.rtfCopy) {
            EXPECT_NE(std::find(formats.begin(), formats.end(), RtfFormatId()), formats.end()) << "RTF copy seen";
            EXPECT_NE(OlePaste(paster, RtfFormatId(), TYMED_HGLOBAL).value_or("").find("\\cpg932"),
                      std::string::npos);
        } else {
            // The program's list of its formats stands, with their media.
            EXPECT_EQ(OlePaste(paster, storage, TYMED_ISTORAGE), "storage bytes");
        }
        paster->Release();
    }
    OleUninitialize();
}

} // namespace
