// The names that one save writes its objects under. Each object is written
// under its own name, which in a text file is an .x identifier made of it.
// Where a name finds an object, it must find that object only: an object that
// a reference of the file names is the only object of the file written under
// its name, and a frame that skin weights name as their bone the only frame.
// Any other object that would be written under such a name gets a suffix; of
// two objects that both need a name for themselves, the one whose name the
// file holds as it stands keeps it, else the first. The data objects, the
// references and the skin weights' bone names all take their names from here
// while the names are in use on the saving thread.
#pragma once

#include <afx.h>

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class CXFileDataObject;

class CSaveNames {
 public:
  explicit CSaveNames(bool text) : m_text(text) {}
  CSaveNames(const CSaveNames&) = delete;
  CSaveNames& operator=(const CSaveNames&) = delete;

  // Adds an object that the save writes, in the order of the file; an object
  // added twice keeps its first place.
  void Add(CXFileDataObject* object);
  // A reference of the file names object.
  void AddReferenceTarget(CXFileDataObject* object);
  // Skin weights of the file name the frame of that name as their bone.
  void AddBoneName(const char* name);
  // Gives every object added so far its written name.
  void Assign();

  bool IsText() const { return m_text; }
  // The name object is written under; false when the save does not write it.
  bool Lookup(const CXFileDataObject* object, CString& name) const;
  // The name written for the first frame of the file that is named name, or
  // name as the file can hold it when no frame of the file has that name.
  CString GetFrameName(const char* name) const;
  // Name as the file can hold it, without the file's other names in view.
  CString MakeFileName(const char* name) const;

  // The names of the save that runs on the calling thread; NULL when none.
  static const CSaveNames* GetCurrent();

  // Puts names in use on the calling thread for the scope.
  class CInUse {
   public:
    explicit CInUse(const CSaveNames& names);
    ~CInUse();
    CInUse(const CInUse&) = delete;
    CInUse& operator=(const CInUse&) = delete;

   private:
    const CSaveNames* m_previous;
  };

 private:
  // How far an object's written name must be its own.
  enum EScope { eShared, eOnlyFrame, eOnlyObject };
  struct SEntry {
    CXFileDataObject* object;
    bool frame;
    std::string own;   // its own name
    std::string base;  // the name as the file can hold it
    std::string written;
    EScope scope;
  };

  bool m_text;
  std::vector<SEntry> m_entries;
  std::set<const CXFileDataObject*> m_targets;
  std::set<std::string> m_boneNames;
  std::unordered_map<const CXFileDataObject*, size_t> m_byObject;
  // The first frame of each own name.
  std::unordered_map<std::string, size_t> m_frameByName;
};
