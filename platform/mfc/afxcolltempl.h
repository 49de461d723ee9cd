// Collection templates: CArray (contiguous), CList (doubly linked, walked by
// POSITION), CMap (hashed, walked in insertion order), and the typed-pointer
// wrappers over the pointer collections of afxcoll.h.
#pragma once

#include <functional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "afxobj.h"
#include "afxstr.h"

struct AfxPosition;
// An element's place in a list or map; NULL past the end.
using POSITION = AfxPosition*;

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
 public:
  CArray() = default;

  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_data.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  BOOL IsEmpty() const { return m_data.empty(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  // New elements are zero (value-initialised); the growth step is the
  // container's own.
  void SetSize(INT_PTR newSize, INT_PTR growBy = -1) {
    (void)growBy;
    m_data.resize(static_cast<size_t>(newSize));
  }
  void FreeExtra() { m_data.shrink_to_fit(); }
  void RemoveAll() { m_data.clear(); }

  const TYPE& GetAt(INT_PTR index) const { return m_data.at(static_cast<size_t>(index)); }
  TYPE& GetAt(INT_PTR index) { return m_data.at(static_cast<size_t>(index)); }
  void SetAt(INT_PTR index, ARG_TYPE element) { m_data.at(static_cast<size_t>(index)) = element; }
  TYPE& ElementAt(INT_PTR index) { return GetAt(index); }
  const TYPE& operator[](INT_PTR index) const { return GetAt(index); }
  TYPE& operator[](INT_PTR index) { return GetAt(index); }
  const TYPE* GetData() const { return m_data.data(); }
  TYPE* GetData() { return m_data.data(); }

  void SetAtGrow(INT_PTR index, ARG_TYPE element) {
    if (index >= GetSize()) SetSize(index + 1);
    SetAt(index, element);
  }
  INT_PTR Add(ARG_TYPE element) {
    m_data.push_back(element);
    return GetUpperBound();
  }
  INT_PTR Append(const CArray& source) {
    INT_PTR first = GetSize();
    m_data.insert(m_data.end(), source.m_data.begin(), source.m_data.end());
    return first;
  }
  void Copy(const CArray& source) { m_data = source.m_data; }
  // Past the end, the array grows first.
  void InsertAt(INT_PTR index, ARG_TYPE element, INT_PTR count = 1) {
    if (index > GetSize()) SetSize(index);
    m_data.insert(m_data.begin() + index, static_cast<size_t>(count), element);
  }
  void RemoveAt(INT_PTR index, INT_PTR count = 1) {
    if (index < 0 || count < 0 || index + count > GetSize()) throw std::out_of_range("CArray::RemoveAt");
    m_data.erase(m_data.begin() + index, m_data.begin() + index + count);
  }

 private:
  std::vector<TYPE> m_data;
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
  struct Node {
    Node* next;
    Node* prev;
    TYPE data;
  };
  static Node* ToNode(POSITION position) { return reinterpret_cast<Node*>(position); }
  static POSITION ToPosition(Node* node) { return reinterpret_cast<POSITION>(node); }

 public:
  explicit CList(INT_PTR blockSize = 10) { (void)blockSize; }
  ~CList() override { RemoveAll(); }

  INT_PTR GetCount() const { return m_count; }
  INT_PTR GetSize() const { return m_count; }
  BOOL IsEmpty() const { return m_count == 0; }

  TYPE& GetHead() { return m_head->data; }
  const TYPE& GetHead() const { return m_head->data; }
  TYPE& GetTail() { return m_tail->data; }
  const TYPE& GetTail() const { return m_tail->data; }
  TYPE RemoveHead() {
    TYPE data = m_head->data;
    RemoveAt(ToPosition(m_head));
    return data;
  }
  TYPE RemoveTail() {
    TYPE data = m_tail->data;
    RemoveAt(ToPosition(m_tail));
    return data;
  }
  POSITION AddHead(ARG_TYPE element) { return InsertBefore(ToPosition(m_head), element); }
  POSITION AddTail(ARG_TYPE element) { return InsertAfter(ToPosition(m_tail), element); }
  void AddHead(CList* list) {
    for (POSITION at = list->GetTailPosition(); at;) AddHead(list->GetPrev(at));
  }
  void AddTail(CList* list) {
    for (POSITION at = list->GetHeadPosition(); at;) AddTail(list->GetNext(at));
  }
  void RemoveAll() {
    while (m_head) {
      Node* next = m_head->next;
      delete m_head;
      m_head = next;
    }
    m_tail = nullptr;
    m_count = 0;
  }

  POSITION GetHeadPosition() const { return ToPosition(m_head); }
  POSITION GetTailPosition() const { return ToPosition(m_tail); }
  // The element at position; position moves on to the next (or previous).
  TYPE& GetNext(POSITION& position) {
    Node* node = ToNode(position);
    position = ToPosition(node->next);
    return node->data;
  }
  const TYPE& GetNext(POSITION& position) const { return const_cast<CList*>(this)->GetNext(position); }
  TYPE& GetPrev(POSITION& position) {
    Node* node = ToNode(position);
    position = ToPosition(node->prev);
    return node->data;
  }
  const TYPE& GetPrev(POSITION& position) const { return const_cast<CList*>(this)->GetPrev(position); }
  TYPE& GetAt(POSITION position) { return ToNode(position)->data; }
  const TYPE& GetAt(POSITION position) const { return ToNode(position)->data; }
  void SetAt(POSITION position, ARG_TYPE element) { ToNode(position)->data = element; }
  void RemoveAt(POSITION position) {
    Node* node = ToNode(position);
    (node->prev ? node->prev->next : m_head) = node->next;
    (node->next ? node->next->prev : m_tail) = node->prev;
    delete node;
    --m_count;
  }
  // A NULL position inserts at the head (or the tail for InsertAfter).
  POSITION InsertBefore(POSITION position, ARG_TYPE element) {
    Node* next = position ? ToNode(position) : m_head;
    Node* node = new Node{next, next ? next->prev : nullptr, element};
    (node->prev ? node->prev->next : m_head) = node;
    (next ? next->prev : m_tail) = node;
    ++m_count;
    return ToPosition(node);
  }
  POSITION InsertAfter(POSITION position, ARG_TYPE element) {
    Node* prev = position ? ToNode(position) : m_tail;
    Node* node = new Node{prev ? prev->next : nullptr, prev, element};
    (node->next ? node->next->prev : m_tail) = node;
    (prev ? prev->next : m_head) = node;
    ++m_count;
    return ToPosition(node);
  }
  // The first element equal to value after position (from the head when NULL).
  POSITION Find(ARG_TYPE value, POSITION startAfter = nullptr) const {
    for (Node* node = startAfter ? ToNode(startAfter)->next : m_head; node; node = node->next) {
      if (node->data == value) return ToPosition(node);
    }
    return nullptr;
  }
  POSITION FindIndex(INT_PTR index) const {
    if (index < 0 || index >= m_count) return nullptr;
    Node* node = m_head;
    while (index-- > 0) node = node->next;
    return ToPosition(node);
  }

 private:
  Node* m_head = nullptr;
  Node* m_tail = nullptr;
  INT_PTR m_count = 0;
};

// How a map finds its keys: string keys are looked up by their characters.
template <class KEY>
struct AfxMapKeyTraits {
  using IndexKey = KEY;
  static IndexKey Index(const KEY& key) { return key; }
};

template <>
struct AfxMapKeyTraits<CString> {
  using IndexKey = std::string_view;
  static IndexKey Index(const CString& key) { return {static_cast<LPCSTR>(key), static_cast<size_t>(key.GetLength())}; }
  static IndexKey Index(LPCSTR key) { return key ? key : ""; }
};

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
  struct Assoc {
    Assoc* next;
    Assoc* prev;
    KEY key;
    VALUE value;
  };
  using Traits = AfxMapKeyTraits<KEY>;

 public:
  using BASE_KEY = KEY;
  using BASE_ARG_KEY = ARG_KEY;
  using BASE_VALUE = VALUE;
  using BASE_ARG_VALUE = ARG_VALUE;

  explicit CMap(INT_PTR blockSize = 10) { (void)blockSize; }
  ~CMap() override { RemoveAll(); }

  INT_PTR GetCount() const { return static_cast<INT_PTR>(m_index.size()); }
  INT_PTR GetSize() const { return GetCount(); }
  BOOL IsEmpty() const { return m_index.empty(); }

  BOOL Lookup(ARG_KEY key, VALUE& value) const {
    auto found = m_index.find(Traits::Index(key));
    if (found == m_index.end()) return FALSE;
    value = found->second->value;
    return TRUE;
  }
  // The value of key, added as zero when absent.
  VALUE& operator[](ARG_KEY key) {
    auto found = m_index.find(Traits::Index(key));
    if (found != m_index.end()) return found->second->value;
    Assoc* assoc = new Assoc{nullptr, m_last, KEY(key), VALUE()};
    (m_last ? m_last->next : m_first) = assoc;
    m_last = assoc;
    m_index.emplace(Traits::Index(assoc->key), assoc);
    return assoc->value;
  }
  void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }
  BOOL RemoveKey(ARG_KEY key) {
    auto found = m_index.find(Traits::Index(key));
    if (found == m_index.end()) return FALSE;
    Assoc* assoc = found->second;
    m_index.erase(found);
    (assoc->prev ? assoc->prev->next : m_first) = assoc->next;
    (assoc->next ? assoc->next->prev : m_last) = assoc->prev;
    delete assoc;
    return TRUE;
  }
  void RemoveAll() {
    m_index.clear();
    while (m_first) {
      Assoc* next = m_first->next;
      delete m_first;
      m_first = next;
    }
    m_last = nullptr;
  }

  // The walk goes in the order the keys were added; removing the key just
  // returned by GetNextAssoc is allowed during a walk.
  POSITION GetStartPosition() const { return reinterpret_cast<POSITION>(m_first); }
  void GetNextAssoc(POSITION& position, KEY& key, VALUE& value) const {
    Assoc* assoc = reinterpret_cast<Assoc*>(position);
    key = assoc->key;
    value = assoc->value;
    position = reinterpret_cast<POSITION>(assoc->next);
  }

  // Hash table sizes are the container's own.
  UINT GetHashTableSize() const { return static_cast<UINT>(m_index.bucket_count()); }
  void InitHashTable(UINT size, BOOL allocateNow = TRUE) {
    (void)allocateNow;
    m_index.reserve(size);
  }

 private:
  std::unordered_map<typename Traits::IndexKey, Assoc*> m_index;
  Assoc* m_first = nullptr;
  Assoc* m_last = nullptr;
};

// Typed views of the pointer collections (afxcoll.h): BASE_CLASS holds void*
// (or CObject*) elements that are TYPE pointers.
template <class BASE_CLASS, class TYPE>
class CTypedPtrList : public BASE_CLASS {
 public:
  explicit CTypedPtrList(INT_PTR blockSize = 10) : BASE_CLASS(blockSize) {}
  TYPE GetHead() const { return static_cast<TYPE>(BASE_CLASS::GetHead()); }
  TYPE GetTail() const { return static_cast<TYPE>(BASE_CLASS::GetTail()); }
  TYPE RemoveHead() { return static_cast<TYPE>(BASE_CLASS::RemoveHead()); }
  TYPE RemoveTail() { return static_cast<TYPE>(BASE_CLASS::RemoveTail()); }
  TYPE GetNext(POSITION& position) const { return static_cast<TYPE>(BASE_CLASS::GetNext(position)); }
  TYPE GetPrev(POSITION& position) const { return static_cast<TYPE>(BASE_CLASS::GetPrev(position)); }
  TYPE GetAt(POSITION position) const { return static_cast<TYPE>(BASE_CLASS::GetAt(position)); }
  POSITION AddHead(TYPE element) { return BASE_CLASS::AddHead(element); }
  POSITION AddTail(TYPE element) { return BASE_CLASS::AddTail(element); }
  void SetAt(POSITION position, TYPE element) { BASE_CLASS::SetAt(position, element); }
  POSITION InsertBefore(POSITION position, TYPE element) { return BASE_CLASS::InsertBefore(position, element); }
  POSITION InsertAfter(POSITION position, TYPE element) { return BASE_CLASS::InsertAfter(position, element); }
  POSITION Find(TYPE value, POSITION startAfter = nullptr) const { return BASE_CLASS::Find(value, startAfter); }
};

template <class BASE_CLASS, class TYPE>
class CTypedPtrArray : public BASE_CLASS {
 public:
  TYPE GetAt(INT_PTR index) const { return static_cast<TYPE>(BASE_CLASS::GetAt(index)); }
  TYPE operator[](INT_PTR index) const { return GetAt(index); }
  void SetAt(INT_PTR index, TYPE element) { BASE_CLASS::SetAt(index, element); }
  void SetAtGrow(INT_PTR index, TYPE element) { BASE_CLASS::SetAtGrow(index, element); }
  INT_PTR Add(TYPE element) { return BASE_CLASS::Add(element); }
  void InsertAt(INT_PTR index, TYPE element, INT_PTR count = 1) { BASE_CLASS::InsertAt(index, element, count); }
};

template <class BASE_CLASS, class KEY, class VALUE>
class CTypedPtrMap : public BASE_CLASS {
 public:
  explicit CTypedPtrMap(INT_PTR blockSize = 10) : BASE_CLASS(blockSize) {}
  BOOL Lookup(typename BASE_CLASS::BASE_ARG_KEY key, VALUE& value) const {
    typename BASE_CLASS::BASE_VALUE found;
    if (!BASE_CLASS::Lookup(key, found)) return FALSE;
    value = static_cast<VALUE>(found);
    return TRUE;
  }
  void SetAt(KEY key, VALUE value) { BASE_CLASS::SetAt(key, value); }
  BOOL RemoveKey(KEY key) { return BASE_CLASS::RemoveKey(key); }
  void GetNextAssoc(POSITION& position, KEY& key, VALUE& value) const {
    typename BASE_CLASS::BASE_KEY baseKey;
    typename BASE_CLASS::BASE_VALUE baseValue;
    BASE_CLASS::GetNextAssoc(position, baseKey, baseValue);
    key = static_cast<KEY>(baseKey);
    value = static_cast<VALUE>(baseValue);
  }
};
