// The COM objects of the .x file API over the in-memory model.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <set>

#include "dxfile.h"
#include "xfile_model.h"

namespace xfile {

namespace {

// Runs one API call; running out of memory, or a file that fails to read,
// becomes an error code instead of an exception that no caller of the API
// expects.
template <class Call>
HRESULT Guarded(Call&& call) {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return DXFILEERR_BADALLOC;
  } catch (const std::length_error&) {
    return DXFILEERR_BADALLOC;
  } catch (const std::exception&) {
    return DXFILEERR_BADFILE;
  }
}

// An object of the IDirectXFileObject family also answers for that base.
template <class Interface, const IID* Iid>
class FileObject : public TComObject<Interface, Iid> {
 public:
  HRESULT QueryInterface(REFIID riid, void** object) override {
    if (object && riid == IID_IDirectXFileObject) {
      *object = static_cast<IDirectXFileObject*>(this);
      this->AddRef();
      return S_OK;
    }
    return TComObject<Interface, Iid>::QueryInterface(riid, object);
  }

 protected:
  static HRESULT CopyName(const std::string& name, LPSTR buffer, LPDWORD length) {
    if (!length) return DXFILEERR_BADVALUE;
    DWORD needed = name.empty() ? 0 : static_cast<DWORD>(name.size() + 1);
    if (buffer) {
      if (*length < needed) return DXFILEERR_BADVALUE;
      if (needed) std::memcpy(buffer, name.c_str(), needed);
    }
    *length = needed;
    return DXFILE_OK;
  }
  static HRESULT CopyId(bool hasId, const GUID& id, LPGUID out) {
    if (!out) return DXFILEERR_BADVALUE;
    *out = hasId ? id : GUID_NULL;
    return DXFILE_OK;
  }
};

class DataObject;

DataObject* AsDataObject(IDirectXFileData* data);

class DataReference final : public FileObject<IDirectXFileDataReference, &IID_IDirectXFileDataReference> {
 public:
  DataReference(std::shared_ptr<const Document> document, const Child& child)
      : m_document(std::move(document)), m_child(child) {}
  HRESULT GetName(LPSTR name, LPDWORD length) override { return CopyName(m_child.referenceName, name, length); }
  HRESULT GetId(LPGUID id) override { return CopyId(m_child.referenceHasId, m_child.referenceId, id); }
  HRESULT Resolve(LPDIRECTXFILEDATA* data) override;

 private:
  std::shared_ptr<const Document> m_document;
  Child m_child;
};

class Binary final : public FileObject<IDirectXFileBinary, &IID_IDirectXFileBinary> {
 public:
  explicit Binary(std::shared_ptr<BinaryObject> binary) : m_binary(std::move(binary)) {}
  HRESULT GetName(LPSTR name, LPDWORD length) override { return CopyName(m_binary->name, name, length); }
  HRESULT GetId(LPGUID id) override { return CopyId(m_binary->hasId, m_binary->id, id); }
  HRESULT GetSize(DWORD* size) override {
    if (!size) return DXFILEERR_BADVALUE;
    *size = static_cast<DWORD>(m_binary->bytes.size());
    return DXFILE_OK;
  }
  HRESULT GetMimeType(LPCSTR* mimeType) override {
    if (!mimeType) return DXFILEERR_BADVALUE;
    *mimeType = m_binary->mimeType.c_str();
    return DXFILE_OK;
  }
  HRESULT Read(LPVOID data, DWORD size, LPDWORD read) override {
    if (!data && size) return DXFILEERR_BADVALUE;
    std::size_t left = m_binary->bytes.size() - m_position;
    if (left == 0 && size) return DXFILEERR_NOMOREDATA;
    std::size_t count = std::min<std::size_t>(left, size);
    if (count) std::memcpy(data, m_binary->bytes.data() + m_position, count);
    m_position += count;
    if (read) *read = static_cast<DWORD>(count);
    return DXFILE_OK;
  }

 private:
  std::shared_ptr<BinaryObject> m_binary;
  std::size_t m_position = 0;
};

class DataObject final : public FileObject<IDirectXFileData, &IID_IDirectXFileData> {
 public:
  DataObject(NodePtr node, std::shared_ptr<const Document> document)
      : m_node(std::move(node)), m_document(std::move(document)) {}

  const NodePtr& node() const { return m_node; }
  // Something is added to this object: its file's document is no longer the
  // file as read.
  void Changed() {
    if (m_document) m_document->MarkChanged();
  }

  HRESULT GetName(LPSTR name, LPDWORD length) override { return CopyName(m_node->name, name, length); }
  HRESULT GetId(LPGUID id) override { return CopyId(m_node->hasId, m_node->id, id); }

  HRESULT GetData(LPCSTR member, DWORD* size, void** data) override {
    if (!size || !data) return DXFILEERR_BADVALUE;
    static BYTE empty = 0;
    BYTE* base = m_node->block.empty() ? &empty : m_node->block.data();
    if (!member) {
      *size = static_cast<DWORD>(m_node->block.size());
      *data = base;
      return DXFILE_OK;
    }
    int index = m_node->type ? m_node->type->MemberIndex(member) : -1;
    if (index < 0 || static_cast<std::size_t>(index) + 1 >= m_node->offsets.size()) return DXFILEERR_BADDATAREFERENCE;
    DWORD start = m_node->offsets[index];
    *size = m_node->offsets[index + 1] - start;
    *data = base + start;
    return DXFILE_OK;
  }

  HRESULT GetType(const GUID** type) override {
    if (!type) return DXFILEERR_BADVALUE;
    *type = m_node->type ? &m_node->type->id : &GUID_NULL;
    return DXFILE_OK;
  }

  HRESULT GetNextObject(LPDIRECTXFILEOBJECT* child) override {
    if (!child) return DXFILEERR_BADVALUE;
    *child = nullptr;
    if (m_cursor >= m_node->children.size()) return DXFILEERR_NOMOREOBJECTS;
    const Child& next = m_node->children[m_cursor++];
    switch (next.kind) {
      case Child::Kind::Data:
        *child = new DataObject(next.node, m_document);
        break;
      case Child::Kind::Reference:
        *child = new DataReference(m_document, next);
        break;
      case Child::Kind::Binary:
        *child = new Binary(next.binary);
        break;
    }
    return DXFILE_OK;
  }

  HRESULT AddDataObject(LPDIRECTXFILEDATA data) override {
    DataObject* child = AsDataObject(data);
    if (!child) return DXFILEERR_BADVALUE;
    const NodePtr& node = child->node();
    if (!node->parent.expired()) return DXFILEERR_BADVALUE;
    for (NodePtr up = m_node; up; up = up->parent.lock()) {
      if (up == node) return DXFILEERR_BADVALUE;
    }
    if (!m_node->type || !m_node->type->Allows(node->type.get(), node->typeName)) return DXFILEERR_BADOBJECT;
    Changed();
    child->Changed();
    node->parent = m_node;
    Child entry;
    entry.node = node;
    m_node->children.push_back(std::move(entry));
    return DXFILE_OK;
  }

  HRESULT AddDataReference(LPCSTR name, const GUID* id) override {
    if ((!name || !*name) && !id) return DXFILEERR_BADVALUE;
    if (!m_node->type || m_node->type->openness == Openness::Closed) return DXFILEERR_BADOBJECT;
    Child entry;
    entry.kind = Child::Kind::Reference;
    entry.referenceName = name ? name : "";
    if (id) {
      entry.referenceId = *id;
      entry.referenceHasId = true;
    }
    Changed();
    m_node->children.push_back(std::move(entry));
    return DXFILE_OK;
  }

  HRESULT AddBinaryObject(LPCSTR name, const GUID* id, LPCSTR mimeType, LPVOID data, DWORD size) override {
    if (!data && size) return DXFILEERR_BADVALUE;
    if (!m_node->type || m_node->type->openness == Openness::Closed) return DXFILEERR_BADOBJECT;
    auto binary = std::make_shared<BinaryObject>();
    binary->name = name ? name : "";
    if (id) {
      binary->id = *id;
      binary->hasId = true;
    }
    binary->mimeType = mimeType ? mimeType : "";
    const BYTE* bytes = static_cast<const BYTE*>(data);
    binary->bytes.assign(bytes, bytes + size);
    Child entry;
    entry.kind = Child::Kind::Binary;
    entry.binary = std::move(binary);
    Changed();
    m_node->children.push_back(std::move(entry));
    return DXFILE_OK;
  }

 private:
  NodePtr m_node;
  std::shared_ptr<const Document> m_document;  // null for objects made to be saved
  std::size_t m_cursor = 0;
};

DataObject* AsDataObject(IDirectXFileData* data) { return dynamic_cast<DataObject*>(data); }

HRESULT DataReference::Resolve(LPDIRECTXFILEDATA* data) {
  if (!data) return DXFILEERR_BADVALUE;
  *data = nullptr;
  NodePtr target =
      m_document ? m_document->Find(m_child.referenceName, m_child.referenceHasId ? &m_child.referenceId : nullptr)
                 : nullptr;
  if (!target) return DXFILEERR_NOTFOUND;
  *data = new DataObject(std::move(target), m_document);
  return DXFILE_OK;
}

class EnumObject final : public TComObject<IDirectXFileEnumObject, &IID_IDirectXFileEnumObject> {
 public:
  explicit EnumObject(std::shared_ptr<const Document> document) : m_document(std::move(document)) {}

  HRESULT GetNextDataObject(LPDIRECTXFILEDATA* data) override {
    if (!data) return DXFILEERR_BADVALUE;
    *data = nullptr;
    if (m_next >= m_document->top.size()) return DXFILEERR_NOMOREOBJECTS;
    *data = new DataObject(m_document->top[m_next++], m_document);
    return DXFILE_OK;
  }
  HRESULT GetDataObjectById(REFGUID id, LPDIRECTXFILEDATA* data) override { return Found(m_document->Find("", &id), data); }
  HRESULT GetDataObjectByName(LPCSTR name, LPDIRECTXFILEDATA* data) override {
    if (!name) return DXFILEERR_BADVALUE;
    return Found(m_document->Find(name, nullptr), data);
  }

 private:
  HRESULT Found(NodePtr node, LPDIRECTXFILEDATA* data) {
    if (!data) return DXFILEERR_BADVALUE;
    *data = nullptr;
    if (!node) return DXFILEERR_NOTFOUND;
    *data = new DataObject(std::move(node), m_document);
    return DXFILE_OK;
  }

  std::shared_ptr<const Document> m_document;
  std::size_t m_next = 0;
};

class File;

// What tells one state of a file from another: the same file, unchanged since.
struct FileState {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  timespec changed{};

  static FileState Of(const struct stat& status) {
    if (!S_ISREG(status.st_mode)) return FileState{};
    return FileState{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
  }
  // A state that is not known (no regular file) equals none.
  bool operator==(const FileState& other) const {
    auto same = [](const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; };
    return size >= 0 && device == other.device && inode == other.inode && size == other.size &&
           same(modified, other.modified) && same(changed, other.changed);
  }
};

// The whole file at path, read in one go at the size it has, then on to its
// end should it have grown meanwhile (or have no size, as a pipe). *state is
// the file's state before the read.
HRESULT ReadWholeFile(const char* path, Bytes* bytes, FileState* state) {
  const int descriptor = ::open(path, O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return DXFILEERR_FILENOTFOUND;
  struct Closer {
    int descriptor;
    ~Closer() { ::close(descriptor); }
  } closer{descriptor};
  struct stat status{};
  if (::fstat(descriptor, &status) != 0) return DXFILEERR_BADFILE;
  *state = FileState::Of(status);
  constexpr std::size_t kLeast = 65536;
  std::size_t expected = S_ISREG(status.st_mode) && status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
  // A byte more than the file has, so that the read that finds its end needs no room.
  bytes->resize(std::max(expected + 1, kLeast));
  win32::PrepareToFill(bytes->data(), bytes->capacity(), 0, bytes->size());
  std::size_t have = 0;
  for (;;) {
    if (have == bytes->size()) bytes->resize(2 * have);
    const ssize_t got = ::read(descriptor, bytes->data() + have, bytes->size() - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      return DXFILEERR_BADFILE;
    }
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  bytes->resize(have);
  return DXFILE_OK;
}

// Writes to a temporary file beside the target and puts it in the target's
// place only when the save ends well: every save call succeeded, and all is
// written and flushed to the disk. A save that fails or is given up removes
// the temporary file and leaves the target as it was. A target that is a
// symbolic link is followed: the file it points to is replaced, the link
// stays.
class SaveObject final : public TComObject<IDirectXFileSaveObject, &IID_IDirectXFileSaveObject> {
 public:
  SaveObject(File* file, Encoding encoding, bool compressed);
  // Released without Finish: kept when every save call succeeded.
  ~SaveObject() override;
  HRESULT Open(const char* path);
  HRESULT Finish(bool keep);

  HRESULT SaveTemplates(DWORD count, const GUID** templates) override;
  HRESULT CreateDataObject(REFGUID templateId, LPCSTR name, const GUID* id, DWORD size, LPVOID data,
                           LPDIRECTXFILEDATA* dataObject) override;
  HRESULT CreateDataObject(REFGUID templateId, LPCSTR name, const GUID* id, Bytes& block,
                           LPDIRECTXFILEDATA* dataObject) {
    return Guarded([&] { return Create(templateId, name, id, 0, nullptr, &block, dataObject); });
  }
  HRESULT SaveData(LPDIRECTXFILEDATA dataObject) override;

 private:
  HRESULT SaveTemplatesUnguarded(DWORD count, const GUID** templates);
  HRESULT SaveDataUnguarded(LPDIRECTXFILEDATA dataObject);
  // A data object of the template whose block the handed-over *block
  // becomes (left empty); block null: one built from size bytes at data.
  HRESULT Create(REFGUID templateId, LPCSTR name, const GUID* id, DWORD size, LPVOID data, Bytes* block,
                 LPDIRECTXFILEDATA* dataObject);
  // A failed save call dooms the whole save.
  HRESULT Checked(HRESULT hr) {
    if (FAILED(hr)) m_failed = true;
    return hr;
  }
  HRESULT Emit(std::string_view body);
  HRESULT Write(std::string_view bytes);
  // Writes bytes over the file's from offset on (a plain file only).
  HRESULT Overwrite(std::uint64_t offset, std::string_view bytes);
  HRESULT Deflate(std::string_view blocks);
  // Writes what is left and flushes the file to the disk.
  HRESULT Complete();
  void WriteTemplate(Writer& writer, const Template& t);

  File* m_file;
  Encoding m_encoding;
  bool m_compressed;
  std::string m_target;     // the file replaced: the path with its links followed
  std::string m_temporary;  // beside the target
  // Meanwhile the system lets go of the replaced file's cached pages, which
  // would otherwise be freed, all at once, when the file is replaced.
  std::jthread m_release;
  std::FILE* m_stream = nullptr;
  bool m_failed = false;
  std::uint64_t m_bodySize = 0;
  std::uint64_t m_fileSize = 0;    // bytes written to the file so far
  std::uint64_t m_notStarted = 0;  // bytes written since the disk was last asked to start
  // Compressed files: the data not yet in a block (less than a block), and
  // the last block written, uncompressed, as the next one's dictionary.
  std::string m_pending;
  std::string m_history;
  std::set<std::string> m_written;  // names of the templates declared so far
};

class File final : public TComObject<IDirectXFile, &IID_IDirectXFile> {
 public:
  HRESULT CreateEnumObject(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* enumObject) override {
    return Guarded([&] { return Open(source, options, enumObject); });
  }

  HRESULT RegisterTemplates(LPVOID data, DWORD size) override {
    return Guarded([&] { return Register(data, size); });
  }

  HRESULT CreateSaveObject(LPCSTR fileName, DXFILEFORMAT format, LPDIRECTXFILESAVEOBJECT* saveObject) override;

  TemplateSet Templates() {
    std::lock_guard lock(m_mutex);
    return m_templates;
  }

  TemplatePtr FindTemplate(const GUID& id) {
    std::lock_guard lock(m_mutex);
    return m_templates.Find(id);
  }

 private:
  HRESULT Open(LPVOID source, DXFILELOADOPTIONS options, LPDIRECTXFILEENUMOBJECT* enumObject) {
    if (!enumObject) return DXFILEERR_BADVALUE;
    *enumObject = nullptr;
    if (!source) return DXFILEERR_BADVALUE;
    Bytes bytes;
    const BYTE* data = nullptr;
    std::size_t size = 0;
    FileState state;
    if (options == DXFILELOAD_FROMFILE) {
      const char* path = static_cast<const char*>(source);
      // A folder opens as a stream on some systems; it is no file to read.
      std::error_code error;
      if (std::filesystem::is_directory(path, error)) return DXFILEERR_BADFILETYPE;
      if (std::shared_ptr<const Document> document = LastRead(path)) {
        *enumObject = new EnumObject(std::move(document));
        return DXFILE_OK;
      }
      HRESULT hr = ReadWholeFile(path, &bytes, &state);
      if (FAILED(hr)) return hr;
      data = bytes.data();
      size = bytes.size();
    } else if (options == DXFILELOAD_FROMMEMORY) {
      const auto* memory = static_cast<const DXFILELOADMEMORY*>(source);
      data = static_cast<const BYTE*>(memory->lpMemory);
      size = memory->dSize;
    } else {
      return DXFILEERR_BADVALUE;
    }
    TemplateSet templates = Templates();
    std::vector<TemplatePtr> declared;
    auto document = std::make_shared<Document>();
    // The file's buffer is the parse's to use up; a caller's memory is not.
    HRESULT hr =
        ParseFile(data, size, templates, &declared, document.get(), options == DXFILELOAD_FROMFILE ? &bytes : nullptr);
    if (FAILED(hr)) return hr;
    {
      std::lock_guard lock(m_mutex);
      m_templates.AddAll(declared);
      if (!declared.empty()) ++m_templatesVersion;
      if (options == DXFILELOAD_FROMFILE) {
        m_lastRead = document;
        m_lastReadState = state;
        m_lastReadTemplates = m_templatesVersion;
      }
    }
    *enumObject = new EnumObject(std::move(document));
    return DXFILE_OK;
  }

  // The document of the file last read, while an enumeration still walks it,
  // the file is as it was then, the templates are those it was read with,
  // and nothing was added to its objects: a second enumeration of the same
  // file (the scene loader walks two side by side) shares it instead of
  // reading and holding the file twice. Null otherwise.
  std::shared_ptr<const Document> LastRead(const char* path) {
    struct stat status{};
    if (::stat(path, &status) != 0) return nullptr;
    std::lock_guard lock(m_mutex);
    std::shared_ptr<const Document> document = m_lastRead.lock();
    if (!document || document->Changed() || m_lastReadTemplates != m_templatesVersion ||
        !(m_lastReadState == FileState::Of(status)))
      return nullptr;
    return document;
  }

  HRESULT Register(LPVOID data, DWORD size) {
    if (!data) return DXFILEERR_BADVALUE;
    TemplateSet templates = Templates();
    HRESULT hr = ParseFile(static_cast<const BYTE*>(data), size, templates, nullptr, nullptr);
    if (FAILED(hr)) return hr;
    std::lock_guard lock(m_mutex);
    m_templates = std::move(templates);
    ++m_templatesVersion;
    return DXFILE_OK;
  }

  std::mutex m_mutex;
  TemplateSet m_templates;
  std::uint64_t m_templatesVersion = 0;  // counts the changes of m_templates
  std::weak_ptr<const Document> m_lastRead;
  FileState m_lastReadState;
  std::uint64_t m_lastReadTemplates = 0;
};

HRESULT File::CreateSaveObject(LPCSTR fileName, DXFILEFORMAT format, LPDIRECTXFILESAVEOBJECT* saveObject) {
  if (!saveObject) return DXFILEERR_BADVALUE;
  *saveObject = nullptr;
  if (!fileName || !*fileName || (format & ~DWORD{DXFILEFORMAT_TEXT | DXFILEFORMAT_COMPRESSED}))
    return DXFILEERR_BADVALUE;
  Encoding encoding = (format & DXFILEFORMAT_TEXT) ? Encoding::Text : Encoding::Binary;
  auto* save = new SaveObject(this, encoding, (format & DXFILEFORMAT_COMPRESSED) != 0);
  HRESULT hr = save->Open(fileName);
  if (FAILED(hr)) {
    save->Release();
    return hr;
  }
  *saveObject = save;
  return DXFILE_OK;
}

SaveObject::SaveObject(File* file, Encoding encoding, bool compressed)
    : m_file(file), m_encoding(encoding), m_compressed(compressed) {
  m_file->AddRef();
}

SaveObject::~SaveObject() {
  if (m_stream) Finish(!m_failed);
  m_file->Release();
}

// The file that a save to path replaces: path with its symbolic links
// followed. *permissions receives the mode of an existing file, or -1 when
// there is none yet. Anything but a regular file (a folder, a device, a pipe)
// is refused with DXFILEERR_BADFILETYPE.
HRESULT SaveTarget(const std::string& path, std::string* target, int* permissions) {
  namespace fs = std::filesystem;
  constexpr int kMostLinks = 40;
  fs::path at(path);
  *permissions = -1;
  for (int links = 0;; ++links) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(at, error);
    if (status.type() == fs::file_type::not_found) break;
    if (error) return DXFILEERR_BADFILE;
    if (status.type() == fs::file_type::symlink) {
      if (links == kMostLinks) return DXFILEERR_BADFILE;
      const fs::path link = fs::read_symlink(at, error);
      if (error) return DXFILEERR_BADFILE;
      at = link.is_absolute() ? link : at.parent_path() / link;
      continue;
    }
    if (status.type() != fs::file_type::regular) return DXFILEERR_BADFILETYPE;
    *permissions = static_cast<int>(status.permissions() & fs::perms::mask);
    break;
  }
  *target = at.string();
  return DXFILE_OK;
}

HRESULT SaveObject::Open(const char* path) {
  m_failed = true;
  int permissions = -1;
  HRESULT hr = SaveTarget(path, &m_target, &permissions);
  if (FAILED(hr)) return hr;
  if (permissions >= 0) {
    try {
      m_release = std::jthread([target = m_target] {
        const int old = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
        if (old < 0) return;
        (void)::posix_fadvise(old, 0, 0, POSIX_FADV_DONTNEED);
        ::close(old);
      });
    } catch (const std::system_error&) {
      // Without a thread the pages go when the file is replaced.
    }
  }
  m_temporary = m_target + ".partial";
  // Whatever an earlier save left there is not written through.
  ::unlink(m_temporary.c_str());
  const int descriptor = ::open(m_temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (descriptor < 0) return DXFILEERR_BADFILE;
  // A replaced file keeps its permissions.
  if (permissions >= 0) (void)::fchmod(descriptor, static_cast<mode_t>(permissions));
  m_stream = ::fdopen(descriptor, "w+b");
  if (!m_stream) {
    ::close(descriptor);
    ::unlink(m_temporary.c_str());
    return DXFILEERR_BADFILE;
  }
  std::string header = Writer::Header(m_encoding, m_compressed);
  if (m_compressed) header.append({16, 0, 0, 0});
  // A plain text file has its first line to itself, as readers expect.
  if (!m_compressed && m_encoding == Encoding::Text) header += '\n';
  hr = Write(header);
  if (FAILED(hr)) return hr;
  m_failed = false;
  return DXFILE_OK;
}

HRESULT SaveObject::Write(std::string_view bytes) {
  if (!m_stream) return DXFILEERR_BADFILE;
  if (std::fwrite(bytes.data(), 1, bytes.size(), m_stream) != bytes.size()) return DXFILEERR_BADFILE;
  m_fileSize += bytes.size();
  // Every few megabytes the disk starts taking what is written while the
  // rest is made, so that the flush at the end has less to wait for (a
  // failure shows in that flush).
  constexpr std::uint64_t kStartWritingEvery = std::uint64_t{4} << 20;
  m_notStarted += bytes.size();
  if (m_notStarted >= kStartWritingEvery) {
    (void)::sync_file_range(::fileno(m_stream), 0, 0, SYNC_FILE_RANGE_WRITE);
    m_notStarted = 0;
  }
  return DXFILE_OK;
}

HRESULT SaveObject::Overwrite(std::uint64_t offset, std::string_view bytes) {
  if (!m_stream || m_compressed || offset > m_fileSize || bytes.size() > m_fileSize - offset) return DXFILEERR_BADFILE;
  if (std::fflush(m_stream) != 0) return DXFILEERR_BADFILE;
  const int descriptor = ::fileno(m_stream);
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t put = ::pwrite(descriptor, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return DXFILEERR_BADFILE;
    done += static_cast<std::size_t>(put);
  }
  return DXFILE_OK;
}

HRESULT SaveObject::Deflate(std::string_view blocks) {
  std::string bytes;
  HRESULT hr = DeflateBlocks(blocks, m_history, &bytes);
  if (FAILED(hr)) return hr;
  m_history.assign(blocks.substr(blocks.size() - std::min(blocks.size(), kCompressedBlockSize)));
  return Write(bytes);
}

HRESULT SaveObject::Emit(std::string_view body) {
  if (!m_stream) return DXFILEERR_BADFILE;
  if (!m_compressed) return Write(body);
  m_bodySize += body.size();
  if (m_bodySize + 16 > 0xFFFFFFFFu) return DXFILEERR_BADFILE;
  // Every block but the last holds a whole block of data, so that each one's
  // dictionary is the block before it, as readers of other programs expect.
  m_pending += body;
  const std::size_t whole = m_pending.size() - m_pending.size() % kCompressedBlockSize;
  if (!whole) return DXFILE_OK;
  HRESULT hr = Deflate(std::string_view(m_pending).substr(0, whole));
  m_pending.erase(0, whole);
  return hr;
}

HRESULT SaveObject::Complete() {
  if (m_compressed) {
    if (!m_pending.empty()) {
      HRESULT hr = Deflate(m_pending);
      if (FAILED(hr)) return hr;
      m_pending.clear();
    }
    const std::uint64_t total = m_bodySize + 16;
    const BYTE size[4] = {static_cast<BYTE>(total), static_cast<BYTE>(total >> 8), static_cast<BYTE>(total >> 16),
                          static_cast<BYTE>(total >> 24)};
    if (std::fseek(m_stream, 16, SEEK_SET) != 0 || std::fwrite(size, 1, 4, m_stream) != 4) return DXFILEERR_BADFILE;
  }
  if (std::fflush(m_stream) != 0 || ::fsync(::fileno(m_stream)) != 0) return DXFILEERR_BADFILE;
  return DXFILE_OK;
}

HRESULT SaveObject::Finish(bool keep) {
  if (!m_stream) return DXFILEERR_BADVALUE;
  HRESULT hr = DXFILE_OK;
  if (keep) hr = m_failed ? DXFILEERR_BADFILE : Complete();
  const bool closed = std::fclose(m_stream) == 0;
  m_stream = nullptr;
  if (m_release.joinable()) m_release.join();
  if (keep && SUCCEEDED(hr) && closed && std::rename(m_temporary.c_str(), m_target.c_str()) == 0) {
    // The new name reaches the disk too.
    const std::string folder = std::filesystem::path(m_target).parent_path().string();
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
      (void)::fsync(descriptor);
      ::close(descriptor);
    }
    return DXFILE_OK;
  }
  ::unlink(m_temporary.c_str());
  if (!keep) return DXFILE_OK;
  m_failed = true;
  return FAILED(hr) ? hr : DXFILEERR_BADFILE;
}

HRESULT SaveObject::SaveTemplates(DWORD count, const GUID** templates) {
  return Checked(Guarded([&] { return SaveTemplatesUnguarded(count, templates); }));
}

HRESULT SaveObject::SaveTemplatesUnguarded(DWORD count, const GUID** templates) {
  if (count && !templates) return Checked(DXFILEERR_BADVALUE);
  Writer writer(m_encoding);
  for (DWORD i = 0; i < count; ++i) {
    if (!templates[i]) return Checked(DXFILEERR_BADVALUE);
    TemplatePtr t = m_file->FindTemplate(*templates[i]);
    if (!t) return Checked(DXFILEERR_NOTFOUND);
    WriteTemplate(writer, *t);
  }
  return Checked(Emit(writer.Output()));
}

// The templates of its members go first, so that the file reads on its own.
void SaveObject::WriteTemplate(Writer& writer, const Template& t) {
  if (!m_written.insert(t.name).second) return;
  for (const Member& m : t.members) {
    if (m.type) WriteTemplate(writer, *m.type);
  }
  writer.WriteTemplate(t);
}

HRESULT SaveObject::CreateDataObject(REFGUID templateId, LPCSTR name, const GUID* id, DWORD size, LPVOID data,
                                     LPDIRECTXFILEDATA* dataObject) {
  return Guarded([&] { return Create(templateId, name, id, size, data, nullptr, dataObject); });
}

HRESULT SaveObject::Create(REFGUID templateId, LPCSTR name, const GUID* id, DWORD size, LPVOID data, Bytes* block,
                           LPDIRECTXFILEDATA* dataObject) {
  if (!dataObject) return DXFILEERR_BADVALUE;
  *dataObject = nullptr;
  TemplatePtr t = m_file->FindTemplate(templateId);
  if (!t) return DXFILEERR_NOTEMPLATE;
  auto node = std::make_shared<Node>();
  node->type = t;
  node->typeName = t->name;
  node->name = name ? name : "";
  if (id) {
    node->id = *id;
    node->hasId = true;
  }
  HRESULT hr = DXFILE_OK;
  if (block) {
    node->block = std::move(*block);
    block->clear();
    hr = BuildBlockInPlace(*t, node.get());
  } else {
    hr = BuildBlockFromMemory(*t, data, size, node.get());
  }
  if (FAILED(hr)) return hr;
  *dataObject = new DataObject(std::move(node), nullptr);
  return DXFILE_OK;
}

HRESULT SaveObject::SaveData(LPDIRECTXFILEDATA dataObject) {
  return Checked(Guarded([&] { return SaveDataUnguarded(dataObject); }));
}

HRESULT SaveObject::SaveDataUnguarded(LPDIRECTXFILEDATA dataObject) {
  DataObject* data = AsDataObject(dataObject);
  if (!data) return Checked(DXFILEERR_BADVALUE);
  // A large object goes to the file as it is written, not held whole. In a
  // plain file a list's count is put in place when the list ends, so that
  // the list need not be held until then; a compressed file holds it.
  Writer::Patch patch;
  if (!m_compressed) {
    patch = [this, start = m_fileSize](std::uint64_t offset, std::string_view bytes) {
      return Overwrite(start + offset, bytes);
    };
  }
  Writer writer(m_encoding, [this](std::string_view part) { return Emit(part); }, std::move(patch));
  HRESULT hr = writer.WriteObject(*data->node());
  if (FAILED(hr)) return Checked(hr);
  return Checked(Emit(writer.Output()));
}

}  // namespace

HRESULT DescribeBlock(IDirectXFileData* data, std::string* text) {
  DataObject* object = AsDataObject(data);
  if (!object || !text) return DXFILEERR_BADVALUE;
  Writer writer(Encoding::Text);
  HRESULT hr = writer.WriteBlock(*object->node());
  *text = writer.Output();
  return hr;
}

}  // namespace xfile

HRESULT DirectXFileCreate(LPDIRECTXFILE* file) {
  if (!file) return DXFILEERR_BADVALUE;
  *file = new xfile::File();
  return DXFILE_OK;
}

HRESULT CreateXFileDataObject(LPDIRECTXFILESAVEOBJECT saveObject, REFGUID templateId, LPCSTR name, const GUID* id,
                              win32::LargeBytes& block, LPDIRECTXFILEDATA* dataObject) {
  if (!saveObject) return DXFILEERR_BADVALUE;
  HRESULT hr = DXFILE_OK;
  if (auto* save = dynamic_cast<xfile::SaveObject*>(saveObject)) {
    hr = save->CreateDataObject(templateId, name, id, block, dataObject);
  } else {
    hr = saveObject->CreateDataObject(templateId, name, id, static_cast<DWORD>(block.size()), block.data(), dataObject);
  }
  block.clear();
  return hr;
}

HRESULT FinishXFileSave(LPDIRECTXFILESAVEOBJECT saveObject, BOOL keep) {
  auto* save = dynamic_cast<xfile::SaveObject*>(saveObject);
  if (!save) return DXFILEERR_BADVALUE;
  return save->Finish(keep != FALSE);
}
