#include <afxtempl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Item {
  int id;
};

template <class List>
std::vector<int> Ids(const List& list) {
  std::vector<int> ids;
  for (POSITION at = list.GetHeadPosition(); at;) ids.push_back(list.GetNext(at)->id);
  return ids;
}

}  // namespace

TEST(Lists, PositionWalksInsertionAndRemoval) {
  Item items[5] = {{0}, {1}, {2}, {3}, {4}};
  CTypedPtrList<CPtrList, Item*> list;
  list.AddTail(&items[1]);
  list.AddTail(&items[2]);
  list.AddHead(&items[0]);
  POSITION three = list.AddTail(&items[3]);
  list.InsertBefore(three, &items[4]);
  EXPECT_EQ(Ids(list), (std::vector<int>{0, 1, 2, 4, 3}));
  EXPECT_EQ(list.GetCount(), 5);
  EXPECT_EQ(list.GetHead()->id, 0);
  EXPECT_EQ(list.GetTail()->id, 3);

  POSITION found = list.Find(&items[2]);
  ASSERT_NE(found, nullptr);
  list.RemoveAt(found);
  EXPECT_EQ(list.Find(&items[2]), nullptr);
  EXPECT_EQ(list.RemoveHead()->id, 0);
  EXPECT_EQ(list.RemoveTail()->id, 3);
  EXPECT_EQ(Ids(list), (std::vector<int>{1, 4}));
  EXPECT_EQ(list.GetAt(list.FindIndex(1))->id, 4);
  EXPECT_EQ(list.FindIndex(2), nullptr);

  // Removing the element just passed while walking.
  for (POSITION at = list.GetHeadPosition(); at;) {
    POSITION current = at;
    if (list.GetNext(at)->id == 1) list.RemoveAt(current);
  }
  EXPECT_EQ(Ids(list), (std::vector<int>{4}));
  list.RemoveAll();
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.GetHeadPosition(), nullptr);

  std::vector<int> backwards;
  CList<int, int> numbers;
  for (int i : {1, 2, 3}) numbers.AddTail(i);
  for (POSITION at = numbers.GetTailPosition(); at;) backwards.push_back(numbers.GetPrev(at));
  EXPECT_EQ(backwards, (std::vector<int>{3, 2, 1}));
}

TEST(Maps, WalkInInsertionOrder) {
  CMapStringToPtr map;
  map.InitHashTable(100);
  int values[4] = {};
  const char* keys[] = {"delta", "alpha", "charlie", "bravo"};
  for (int i = 0; i < 4; ++i) map.SetAt(keys[i], &values[i]);
  map.SetAt("alpha", &values[1]);  // existing key keeps its place
  map.RemoveKey("charlie");
  map.SetAt("charlie", &values[2]);  // comes back last

  std::vector<std::string> order;
  CString key;
  void* value;
  for (POSITION at = map.GetStartPosition(); at;) {
    map.GetNextAssoc(at, key, value);
    order.emplace_back(key);
    if (key == "delta") map.RemoveKey(key);  // the key just returned
  }
  EXPECT_EQ(order, (std::vector<std::string>{"delta", "alpha", "bravo", "charlie"}));
  EXPECT_EQ(map.GetCount(), 3);
  EXPECT_TRUE(map.Lookup("bravo", value));
  EXPECT_EQ(value, &values[3]);
  EXPECT_FALSE(map.Lookup("delta", value));
  EXPECT_FALSE(map.RemoveKey("delta"));
  map.RemoveAll();
  EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(Maps, WordAndPointerKeysAndTypedMaps) {
  CMapWordToPtr byWord;
  CMapPtrToWord toWord;
  Item a{1}, b{2};
  byWord[7] = &a;
  byWord.SetAt(3, &b);
  toWord.SetAt(&b, 30);
  toWord.SetAt(&a, 10);
  void* found = nullptr;
  EXPECT_TRUE(byWord.Lookup(3, found));
  EXPECT_EQ(found, &b);
  WORD word = 0;
  EXPECT_TRUE(toWord.Lookup(&a, word));
  EXPECT_EQ(word, 10);
  EXPECT_EQ(toWord[&b], 30);

  CTypedPtrMap<CMapPtrToPtr, Item*, Item*> clones;
  clones.SetAt(&a, &b);
  clones.SetAt(&b, &a);
  Item* clone = nullptr;
  EXPECT_TRUE(clones.Lookup(&a, clone));
  EXPECT_EQ(clone, &b);
  std::vector<int> keys;
  Item* key;
  for (POSITION at = clones.GetStartPosition(); at;) {
    clones.GetNextAssoc(at, key, clone);
    keys.push_back(key->id);
  }
  EXPECT_EQ(keys, (std::vector<int>{1, 2}));

  CTypedPtrMap<CMapStringToPtr, CString, Item*> named;
  named.SetAt("a", &a);
  EXPECT_TRUE(named.Lookup("a", clone));
  EXPECT_EQ(clone, &a);
}

TEST(Arrays, GrowInsertRemove) {
  CWordArray words;
  words.SetSize(3, 0);
  EXPECT_EQ(words[2], 0);
  words.SetAt(1, 5);
  words.Add(9);
  words.InsertAt(0, 1);
  words.RemoveAt(2);
  EXPECT_EQ(std::vector<WORD>(words.GetData(), words.GetData() + words.GetSize()), (std::vector<WORD>{1, 0, 0, 9}));
  words.SetAtGrow(6, 4);
  EXPECT_EQ(words.GetSize(), 7);
  EXPECT_EQ(words.GetUpperBound(), 6);

  Item a{1}, b{2};
  CTypedPtrArray<CPtrArray, Item*> items;
  items.SetSize(2, 10);
  EXPECT_EQ(items[0], nullptr);
  items.SetAt(1, &b);
  items.Add(&a);
  EXPECT_EQ(items.GetAt(2)->id, 1);
  EXPECT_EQ(items[1]->id, 2);
  items.FreeExtra();

  CDWordArray dwords;
  dwords.Add(4000000000u);
  CArray<float, float> floats;
  floats.Add(0.5f);
  EXPECT_EQ(dwords[0] + static_cast<DWORD>(floats[0] * 2), 4000000001u);
  EXPECT_THROW(words.RemoveAt(7), std::out_of_range);
}
