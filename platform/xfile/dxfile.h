// The DirectX file API: reading and writing .x files (text, binary and
// MSZIP-compressed) described by registered templates.
#pragma once

#include <largepages.h>
#include <unknwn.h>
#include <windows.h>

using DXFILEFORMAT = DWORD;
#define DXFILEFORMAT_BINARY 0
#define DXFILEFORMAT_TEXT 1
#define DXFILEFORMAT_COMPRESSED 2

using DXFILELOADOPTIONS = DWORD;
#define DXFILELOAD_FROMFILE 0x00L
#define DXFILELOAD_FROMRESOURCE 0x01L
#define DXFILELOAD_FROMMEMORY 0x02L
#define DXFILELOAD_FROMSTREAM 0x04L
#define DXFILELOAD_FROMURL 0x08L

// The source of DXFILELOAD_FROMMEMORY.
struct DXFILELOADMEMORY {
  LPVOID lpMemory;
  DWORD dSize;
};

#define _FACDD 0x876
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)

inline constexpr HRESULT DXFILE_OK = 0;
inline constexpr HRESULT DXFILEERR_BADOBJECT = MAKE_DDHRESULT(850);
inline constexpr HRESULT DXFILEERR_BADVALUE = MAKE_DDHRESULT(851);
inline constexpr HRESULT DXFILEERR_BADTYPE = MAKE_DDHRESULT(852);
inline constexpr HRESULT DXFILEERR_BADSTREAMHANDLE = MAKE_DDHRESULT(853);
inline constexpr HRESULT DXFILEERR_BADALLOC = MAKE_DDHRESULT(854);
inline constexpr HRESULT DXFILEERR_NOTFOUND = MAKE_DDHRESULT(855);
inline constexpr HRESULT DXFILEERR_NOTDONEYET = MAKE_DDHRESULT(856);
inline constexpr HRESULT DXFILEERR_FILENOTFOUND = MAKE_DDHRESULT(857);
inline constexpr HRESULT DXFILEERR_RESOURCENOTFOUND = MAKE_DDHRESULT(858);
inline constexpr HRESULT DXFILEERR_URLNOTFOUND = MAKE_DDHRESULT(859);
inline constexpr HRESULT DXFILEERR_BADRESOURCE = MAKE_DDHRESULT(860);
inline constexpr HRESULT DXFILEERR_BADFILETYPE = MAKE_DDHRESULT(861);
inline constexpr HRESULT DXFILEERR_BADFILEVERSION = MAKE_DDHRESULT(862);
inline constexpr HRESULT DXFILEERR_BADFILEFLOATSIZE = MAKE_DDHRESULT(863);
inline constexpr HRESULT DXFILEERR_BADFILECOMPRESSIONTYPE = MAKE_DDHRESULT(864);
inline constexpr HRESULT DXFILEERR_BADFILE = MAKE_DDHRESULT(865);
inline constexpr HRESULT DXFILEERR_PARSEERROR = MAKE_DDHRESULT(866);
inline constexpr HRESULT DXFILEERR_NOTEMPLATE = MAKE_DDHRESULT(867);
inline constexpr HRESULT DXFILEERR_BADARRAYSIZE = MAKE_DDHRESULT(868);
inline constexpr HRESULT DXFILEERR_BADDATAREFERENCE = MAKE_DDHRESULT(869);
inline constexpr HRESULT DXFILEERR_INTERNALERROR = MAKE_DDHRESULT(870);
inline constexpr HRESULT DXFILEERR_NOMOREOBJECTS = MAKE_DDHRESULT(871);
inline constexpr HRESULT DXFILEERR_BADINTRINSICS = MAKE_DDHRESULT(872);
inline constexpr HRESULT DXFILEERR_NOMORESTREAMHANDLES = MAKE_DDHRESULT(873);
inline constexpr HRESULT DXFILEERR_NOMOREDATA = MAKE_DDHRESULT(874);
inline constexpr HRESULT DXFILEERR_BADCACHEFILE = MAKE_DDHRESULT(875);
inline constexpr HRESULT DXFILEERR_NOINTERNET = MAKE_DDHRESULT(876);

DEFINE_GUID(IID_IDirectXFile, 0x3d82ab40, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileEnumObject, 0x3d82ab41, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileSaveObject, 0x3d82ab42, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileObject, 0x3d82ab43, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileData, 0x3d82ab44, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);
DEFINE_GUID(IID_IDirectXFileDataReference, 0x3d82ab45, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4,
            0x33);
DEFINE_GUID(IID_IDirectXFileBinary, 0x3d82ab46, 0x62da, 0x11cf, 0xab, 0x39, 0x00, 0x20, 0xaf, 0x71, 0xe4, 0x33);

struct IDirectXFile;
struct IDirectXFileEnumObject;
struct IDirectXFileSaveObject;
struct IDirectXFileObject;
struct IDirectXFileData;
struct IDirectXFileDataReference;
struct IDirectXFileBinary;

using LPDIRECTXFILE = IDirectXFile*;
using LPDIRECTXFILEENUMOBJECT = IDirectXFileEnumObject*;
using LPDIRECTXFILESAVEOBJECT = IDirectXFileSaveObject*;
using LPDIRECTXFILEOBJECT = IDirectXFileObject*;
using LPDIRECTXFILEDATA = IDirectXFileData*;
using LPDIRECTXFILEDATAREFERENCE = IDirectXFileDataReference*;
using LPDIRECTXFILEBINARY = IDirectXFileBinary*;

// Creates a file object with no templates registered.
HRESULT DirectXFileCreate(LPDIRECTXFILE* file);
// Ends a save before its object is released. keep: writes what is left,
// flushes the file to the disk and only then puts it in the target's place;
// a failure (or an earlier failed save call) leaves the target as it was.
// Otherwise the save is given up: the written part is removed, the target
// untouched. A save object released without it is kept when every save call
// on it succeeded. Later save calls fail.
HRESULT FinishXFileSave(LPDIRECTXFILESAVEOBJECT saveObject, BOOL keep);
// IDirectXFileSaveObject::CreateDataObject for a block that the caller hands
// over: a save object of this API makes it the data object's block where it
// lies instead of copying it (a big mesh's block is not made twice). block
// is left empty.
HRESULT CreateXFileDataObject(LPDIRECTXFILESAVEOBJECT saveObject, REFGUID templateId, LPCSTR name, const GUID* id,
                              win32::LargeBytes& block, LPDIRECTXFILEDATA* dataObject);

struct IDirectXFile : IUnknown {
  // source: a path (FROMFILE) or a DXFILELOADMEMORY* (FROMMEMORY). The whole
  // file is read and checked here: a malformed file fails with its error code,
  // a folder with DXFILEERR_BADFILETYPE.
  // Templates that the file declares are registered with this object.
  virtual HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* enumObject) = 0;
  // format: DXFILEFORMAT_BINARY or DXFILEFORMAT_TEXT, with DXFILEFORMAT_COMPRESSED
  // added for MSZIP compression. The file is written beside the target and
  // replaces it only when the save ends (see FinishXFileSave). A target that
  // is a symbolic link is followed; one that is not a regular file (a folder,
  // a device, a pipe) is refused with DXFILEERR_BADFILETYPE.
  virtual HRESULT CreateSaveObject(LPCSTR fileName, DXFILEFORMAT format, LPDIRECTXFILESAVEOBJECT* saveObject) = 0;
  // data: a .x file in text or binary form holding template declarations only.
  virtual HRESULT RegisterTemplates(LPVOID data, DWORD size) = 0;
};

struct IDirectXFileEnumObject : IUnknown {
  // The next top-level data object; DXFILEERR_NOMOREOBJECTS after the last.
  virtual HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) = 0;
  virtual HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) = 0;
  virtual HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) = 0;
};

struct IDirectXFileSaveObject : IUnknown {
  virtual HRESULT SaveTemplates(DWORD count, const GUID** templates) = 0;
  // The block (size bytes) is read by the template's layout, strings as
  // char*; a block shorter than the layout, its counts included, fails with
  // DXFILEERR_BADVALUE.
  virtual HRESULT CreateDataObject(REFGUID templateId, LPCSTR name, const GUID* id, DWORD size, LPVOID data,
                                   LPDIRECTXFILEDATA* dataObject) = 0;
  virtual HRESULT SaveData(LPDIRECTXFILEDATA dataObject) = 0;
};

struct IDirectXFileObject : IUnknown {
  // Without a buffer *length receives the size the name needs (its length + 1,
  // or 0 for an unnamed object).
  virtual HRESULT GetName(LPSTR name, LPDWORD length) = 0;
  virtual HRESULT GetId(LPGUID id) = 0;
};

struct IDirectXFileData : IDirectXFileObject {
  // member NULL: the whole block; else the named member of the template.
  virtual HRESULT GetData(LPCSTR member, DWORD* size, void** data) = 0;
  virtual HRESULT GetType(const GUID** type) = 0;
  // The next nested data object, reference or binary object.
  virtual HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) = 0;
  virtual HRESULT AddDataObject(LPDIRECTXFILEDATA child) = 0;
  virtual HRESULT AddDataReference(LPCSTR name, const GUID* id) = 0;
  virtual HRESULT AddBinaryObject(LPCSTR name, const GUID* id, LPCSTR mimeType, LPVOID data, DWORD size) = 0;
};

struct IDirectXFileDataReference : IDirectXFileObject {
  virtual HRESULT Resolve(LPDIRECTXFILEDATA* data) = 0;
};

struct IDirectXFileBinary : IDirectXFileObject {
  virtual HRESULT GetSize(DWORD* size) = 0;
  virtual HRESULT GetMimeType(LPCSTR* mimeType) = 0;
  virtual HRESULT Read(LPVOID data, DWORD size, LPDWORD read) = 0;
};
