// MSZIP framing of compressed .x files: after the header, the DWORD size of
// the uncompressed file (header included), then blocks of WORD uncompressed
// size, WORD compressed size (with the signature), "CK" and raw deflate data
// whose dictionary is the 32 KiB written before. Files of other programs hold
// 32 KiB in every block but the last, so that the dictionary is the block
// before; files with shorter blocks (this program's older ones) read too.

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "dxfile.h"
#include "xfile_model.h"

namespace xfile {

namespace {

constexpr std::size_t kHeader = 16;
constexpr std::size_t kWindow = 32768;
constexpr std::size_t kBlock = kCompressedBlockSize;

class InflateStream {
 public:
  InflateStream() { m_ok = inflateInit2(&m_z, -MAX_WBITS) == Z_OK; }
  ~InflateStream() {
    if (m_ok) inflateEnd(&m_z);
  }
  z_stream* operator->() { return &m_z; }
  z_stream* get() { return &m_z; }
  bool ok() const { return m_ok; }

 private:
  z_stream m_z{};
  bool m_ok = false;
};

class DeflateStream {
 public:
  // zlib's default level: a fifth of the best level's time for a few percent in size.
  DeflateStream() {
    m_ok = deflateInit2(&m_z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  }
  ~DeflateStream() {
    if (m_ok) deflateEnd(&m_z);
  }
  z_stream* get() { return &m_z; }
  bool ok() const { return m_ok; }

 private:
  z_stream m_z{};
  bool m_ok = false;
};

std::string_view Tail(std::string_view data, std::size_t size) {
  return data.size() <= size ? data : data.substr(data.size() - size);
}

}  // namespace

HRESULT Inflate(const BYTE* data, std::size_t size, Bytes* out) {
  if (size < 4) return DXFILEERR_BADFILE;
  DWORD total = DWORD(data[0]) | DWORD(data[1]) << 8 | DWORD(data[2]) << 16 | DWORD(data[3]) << 24;
  if (total < kHeader) return DXFILEERR_BADFILE;
  std::size_t expected = total - kHeader;
  InflateStream z;
  if (!z.ok()) return DXFILEERR_BADALLOC;
  out->clear();
  // The size the header claims is only a hint; the blocks' own sizes decide.
  out->reserve(std::min(expected, 8 * size));
  std::size_t at = 4;
  while (at < size) {
    if (size - at < 6) return DXFILEERR_BADFILE;
    std::size_t plain = data[at] | data[at + 1] << 8;
    std::size_t packed = data[at + 2] | data[at + 3] << 8;
    at += 4;
    if (plain == 0 || packed < 2 || packed > size - at || data[at] != 'C' || data[at + 1] != 'K')
      return DXFILEERR_BADFILE;
    if (out->size() + plain > expected) return DXFILEERR_BADFILE;
    if (inflateReset(z.get()) != Z_OK) return DXFILEERR_BADFILE;
    std::size_t window = std::min(out->size(), kWindow);
    if (window && inflateSetDictionary(z.get(), out->data() + out->size() - window, static_cast<uInt>(window)) != Z_OK)
      return DXFILEERR_BADFILE;
    std::size_t start = out->size();
    out->resize(start + plain);
    z->next_in = const_cast<Bytef*>(data + at + 2);
    z->avail_in = static_cast<uInt>(packed - 2);
    z->next_out = out->data() + start;
    z->avail_out = static_cast<uInt>(plain);
    int result = inflate(z.get(), Z_FINISH);
    if (result != Z_STREAM_END || z->avail_out != 0) return DXFILEERR_BADFILE;
    at += packed;
  }
  if (out->size() != expected) return DXFILEERR_BADFILE;
  return S_OK;
}

HRESULT DeflateBlocks(std::string_view body, std::string_view history, std::string* out) {
  DeflateStream z;
  if (!z.ok()) return DXFILEERR_BADALLOC;
  std::string window(Tail(history, kWindow));
  std::vector<Bytef> packed(deflateBound(z.get(), kBlock) + 16);
  for (std::size_t at = 0; at < body.size(); at += kBlock) {
    std::string_view block = body.substr(at, kBlock);
    if (deflateReset(z.get()) != Z_OK) return DXFILEERR_BADFILE;
    if (!window.empty() &&
        deflateSetDictionary(z.get(), reinterpret_cast<const Bytef*>(window.data()),
                             static_cast<uInt>(window.size())) != Z_OK)
      return DXFILEERR_BADFILE;
    z.get()->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
    z.get()->avail_in = static_cast<uInt>(block.size());
    z.get()->next_out = packed.data();
    z.get()->avail_out = static_cast<uInt>(packed.size());
    if (deflate(z.get(), Z_FINISH) != Z_STREAM_END) return DXFILEERR_BADFILE;
    std::size_t length = packed.size() - z.get()->avail_out + 2;
    if (length > 0xFFFF) return DXFILEERR_BADFILE;
    BYTE frame[6] = {static_cast<BYTE>(block.size()), static_cast<BYTE>(block.size() >> 8),
                     static_cast<BYTE>(length), static_cast<BYTE>(length >> 8), 'C', 'K'};
    out->append(reinterpret_cast<const char*>(frame), sizeof(frame));
    out->append(reinterpret_cast<const char*>(packed.data()), length - 2);
    window = std::string(Tail(window + std::string(block), kWindow));
  }
  return S_OK;
}

}  // namespace xfile
