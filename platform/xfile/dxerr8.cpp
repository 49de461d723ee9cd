#include "dxerr8.h"

#include <map>
#include <mutex>

#include "dxfile.h"

namespace {

#define NAMED(code) {code, #code}

constexpr DXErrorName kBuiltIn[] = {
    NAMED(S_OK),
    NAMED(S_FALSE),
    NAMED(E_UNEXPECTED),
    NAMED(E_NOTIMPL),
    NAMED(E_OUTOFMEMORY),
    NAMED(E_INVALIDARG),
    NAMED(E_NOINTERFACE),
    NAMED(E_POINTER),
    NAMED(E_HANDLE),
    NAMED(E_ABORT),
    NAMED(E_FAIL),
    NAMED(E_ACCESSDENIED),
    NAMED(DXFILEERR_BADOBJECT),
    NAMED(DXFILEERR_BADVALUE),
    NAMED(DXFILEERR_BADTYPE),
    NAMED(DXFILEERR_BADSTREAMHANDLE),
    NAMED(DXFILEERR_BADALLOC),
    NAMED(DXFILEERR_NOTFOUND),
    NAMED(DXFILEERR_NOTDONEYET),
    NAMED(DXFILEERR_FILENOTFOUND),
    NAMED(DXFILEERR_RESOURCENOTFOUND),
    NAMED(DXFILEERR_URLNOTFOUND),
    NAMED(DXFILEERR_BADRESOURCE),
    NAMED(DXFILEERR_BADFILETYPE),
    NAMED(DXFILEERR_BADFILEVERSION),
    NAMED(DXFILEERR_BADFILEFLOATSIZE),
    NAMED(DXFILEERR_BADFILECOMPRESSIONTYPE),
    NAMED(DXFILEERR_BADFILE),
    NAMED(DXFILEERR_PARSEERROR),
    NAMED(DXFILEERR_NOTEMPLATE),
    NAMED(DXFILEERR_BADARRAYSIZE),
    NAMED(DXFILEERR_BADDATAREFERENCE),
    NAMED(DXFILEERR_INTERNALERROR),
    NAMED(DXFILEERR_NOMOREOBJECTS),
    NAMED(DXFILEERR_BADINTRINSICS),
    NAMED(DXFILEERR_NOMORESTREAMHANDLES),
    NAMED(DXFILEERR_NOMOREDATA),
    NAMED(DXFILEERR_BADCACHEFILE),
    NAMED(DXFILEERR_NOINTERNET),
};

#undef NAMED

struct Table {
  std::mutex mutex;
  std::map<HRESULT, const char*> names;
  Table() {
    for (const DXErrorName& n : kBuiltIn) names.emplace(n.code, n.name);
  }
};

Table& Names() {
  static Table table;
  return table;
}

}  // namespace

const char* DXGetErrorString8A(HRESULT hr) {
  Table& table = Names();
  std::lock_guard lock(table.mutex);
  auto it = table.names.find(hr);
  return it == table.names.end() ? "Unknown" : it->second;
}

void DXAddErrorNames(const DXErrorName* names, std::size_t count) {
  Table& table = Names();
  std::lock_guard lock(table.mutex);
  for (std::size_t i = 0; i < count; ++i) table.names.emplace(names[i].code, names[i].name);
}
