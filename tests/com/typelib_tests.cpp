// The type library both DLL files carry: read back through OLE Automation, and the 32-bit
// records straight from the i686 DLL's resource bytes (Wine rescales table offsets to the
// loading process's pointer size, so only the raw bytes show the 32-bit layout).
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <cstring>
#include <string>
#include <vector>

#include "automation/ntf_object.h"

namespace {

std::wstring Widen(const char* text)
{
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH);
    return wide;
}

// The DLL of this test program's own build, beside it.
std::wstring OwnDll()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"NtfObj.dll";
}

constexpr int kOwnBits = sizeof(void*) * 8;

std::wstring Dll64()
{
    return OwnDll();
}  // only the 64-bit build tests the 64-bit file

// The 32-bit DLL: the own one in the 32-bit build; in the 64-bit build the i686 build's, at the
// Linux path of the cache variable as Wine sees it (drive Z: maps /).
std::wstring Dll32()
{
    if (kOwnBits == 32)
        return OwnDll();
    std::wstring path = L"Z:" + Widen(NTF_I686_DLL);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Doc(ITypeLib* library, INT index)
{
    BSTR name = nullptr, help = nullptr;
    library->GetDocumentation(index, &name, &help, nullptr, nullptr);
    std::wstring text = std::wstring(name ? name : L"") + L"|" + (help ? help : L"");
    SysFreeString(name);
    SysFreeString(help);
    return text;
}

std::wstring Doc(ITypeInfo* info, MEMBERID id)
{
    BSTR name = nullptr, help = nullptr;
    info->GetDocumentation(id, &name, &help, nullptr, nullptr);
    std::wstring text = std::wstring(name ? name : L"") + L"|" + (help ? help : L"");
    SysFreeString(name);
    SysFreeString(help);
    return text;
}

class TypeLibrary : public testing::TestWithParam<int> {
protected:
    std::wstring Path() const { return GetParam() == 64 ? Dll64() : Dll32(); }
};

TEST_P(TypeLibrary, DescribesThreeMethodsOfADualInterfaceAndACreatableClass)
{
    ASSERT_TRUE(Exists(Path())) << "missing DLL (build the i686 preset first): "
                                << std::string(Path().begin(), Path().end());
    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadTypeLibEx(Path().c_str(), REGKIND_NONE, &library), S_OK);

    TLIBATTR* attr = nullptr;
    ASSERT_EQ(library->GetLibAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_COMOBJLib));
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    EXPECT_EQ(attr->lcid, 0x0409u);
    EXPECT_EQ(attr->syskind, GetParam() == 64 ? SYS_WIN64 : SYS_WIN32);
    EXPECT_EQ(attr->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0) << "no library flags";
    library->ReleaseTLibAttr(attr);
    EXPECT_EQ(Doc(library, -1), L"COMOBJLib|NTFObj 1.0 Type Library");
    ASSERT_EQ(library->GetTypeInfoCount(), 2u);
    EXPECT_EQ(Doc(library, 0), L"IAxObj|INtfObj Interface");
    EXPECT_EQ(Doc(library, 1), L"AxObj|NTFObj Class");

    // The interface as its table: derived from IDispatch, three methods after seven slots.
    ITypeInfo* dispatchView = nullptr;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IAxObj, &dispatchView), S_OK);
    HREFTYPE vtableRef = 0;
    ASSERT_EQ(dispatchView->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(dispatchView->GetRefTypeInfo(vtableRef, &info), S_OK);
    TYPEATTR* type = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_INTERFACE);
    EXPECT_EQ(type->wTypeFlags, 0x1140);
    EXPECT_EQ(type->cFuncs, 3);
    EXPECT_EQ(type->cbSizeVft, GetParam() == 64 ? 80 : 40)
        << "seven inherited slots and three methods";
    info->ReleaseTypeAttr(type);

    struct Method {
        MEMBERID id;
        const wchar_t* doc;
        std::vector<VARTYPE> params;
    } methods[] = {
        {1, L"Action|method Action", {VT_BSTR, VT_BSTR, VT_BSTR, VT_BSTR, VT_I4, VT_I4, VT_PTR}},
        {2, L"SetCheckInfo|method SetCheckInfo", {VT_BSTR, VT_I2, VT_PTR}},
        {3, L"SetButtonInfo|method SetButtonInfo", {VT_BSTR, VT_I2, VT_PTR}},
    };
    for (UINT i = 0; i < 3; ++i) {
        FUNCDESC* func = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &func), S_OK);
        EXPECT_EQ(func->memid, methods[i].id);
        EXPECT_EQ(func->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(func->callconv, CC_STDCALL);
        EXPECT_EQ(func->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
        EXPECT_EQ(func->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(func->cParams, static_cast<SHORT>(methods[i].params.size()));
        for (SHORT p = 0; p < func->cParams; ++p)
            EXPECT_EQ(func->lprgelemdescParam[p].tdesc.vt, methods[i].params[p]) << i << "/" << p;
        const PARAMDESC& last = func->lprgelemdescParam[func->cParams - 1].paramdesc;
        EXPECT_EQ(last.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
        EXPECT_EQ(func->lprgelemdescParam[func->cParams - 1].tdesc.lptdesc->vt, VT_I2);
        EXPECT_EQ(Doc(info, func->memid), methods[i].doc);
        info->ReleaseFuncDesc(func);
    }
    info->Release();
    dispatchView->Release();

    ITypeInfo* coclass = nullptr;
    ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_NtfObj, &coclass), S_OK);
    ASSERT_EQ(coclass->GetTypeAttr(&type), S_OK);
    EXPECT_EQ(type->typekind, TKIND_COCLASS);
    EXPECT_EQ(type->wTypeFlags, TYPEFLAG_FCANCREATE);
    EXPECT_EQ(type->cImplTypes, 1);
    coclass->ReleaseTypeAttr(type);
    INT implFlags = 0;
    EXPECT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
    EXPECT_EQ(implFlags, IMPLTYPEFLAG_FDEFAULT);
    coclass->Release();
    library->Release();
}

// The 64-bit build reads both files; the 32-bit build has only its own.
INSTANTIATE_TEST_SUITE_P(BothDlls, TypeLibrary,
                         testing::ValuesIn(kOwnBits == 64 ? std::vector<int>{64, 32}
                                                          : std::vector<int>{32}));

// The resource bytes of TYPELIB 1, language 0x0804, of a DLL loaded as data.
std::vector<BYTE> TypeLibResource(const std::wstring& path)
{
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return {};
    std::vector<BYTE> bytes;
    HRSRC found = FindResourceExW(module, L"TYPELIB", MAKEINTRESOURCEW(1),
                                  MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
    if (found) {
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

// Just enough of the MSFT layout: header, type-info offsets, segment directory, type-info
// base records and function records.
struct Msft {
    const std::vector<BYTE>& b;
    int Int(size_t at) const
    {
        int v;
        std::memcpy(&v, &b.at(at + 3) - 3, 4);
        return v;
    }
    short Short(size_t at) const
    {
        short v;
        std::memcpy(&v, &b.at(at + 1) - 1, 2);
        return v;
    }
    size_t Segment(int index) const
    {
        int varflags = Int(0x14);
        size_t directory = 0x54 + ((varflags & 0x100) ? 4 : 0) + 4 * Int(0x20);
        return static_cast<size_t>(Int(directory + 16 * index));
    }
    size_t TypeInfo(int index) const { return Segment(0) + 0x64 * index; }
};

TEST(TypeLibraryBytes, The32BitInterfaceTableIs40BytesWithMethodsAt28_32_36)
{
    ASSERT_TRUE(Exists(Dll32())) << "missing i686 DLL: " << NTF_I686_DLL;
    std::vector<BYTE> bytes = TypeLibResource(Dll32());
    ASSERT_GT(bytes.size(), 0x100u);
    Msft m{bytes};
    ASSERT_EQ(m.Int(0), 0x5446534D);  // "MSFT"
    EXPECT_EQ(m.Int(0x14) & 0xF, SYS_WIN32);
    ASSERT_EQ(m.Int(0x20), 2);  // type infos

    size_t axObj = m.TypeInfo(0);
    GUID guid;
    std::memcpy(&guid, &bytes.at(m.Segment(5) + m.Int(axObj + 0x2C)), sizeof guid);
    EXPECT_TRUE(IsEqualGUID(guid, IID_IAxObj));
    EXPECT_EQ(m.Int(axObj + 0x30), 0x1140);      // type flags
    EXPECT_EQ(m.Int(axObj + 0x18) & 0xFFFF, 3);  // functions
    EXPECT_EQ(m.Short(axObj + 0x4E), 40);        // table size

    // Function records: a block size, then one record per function, then their member ids.
    size_t block = static_cast<size_t>(m.Int(axObj + 4));
    int blockSize = m.Int(block);
    size_t record = block + 4;
    const short offsets[3] = {28, 32, 36};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(m.Short(record + 12), offsets[i]) << "function " << i;
        record += m.Int(record) & 0xFFFF;
    }
    size_t ids = block + 4 + blockSize;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.Int(ids + 4 * i), i + 1);

    size_t axClass = m.TypeInfo(1);
    std::memcpy(&guid, &bytes.at(m.Segment(5) + m.Int(axClass + 0x2C)), sizeof guid);
    EXPECT_TRUE(IsEqualGUID(guid, CLSID_NtfObj));
    EXPECT_EQ(m.Int(axClass) & 0xF, TKIND_COCLASS);
    EXPECT_EQ(m.Int(axClass + 0x30), TYPEFLAG_FCANCREATE);
}

}  // namespace
