#include <gtest/gtest.h>
#include <unknwn.h>
#include <windows.h>

DEFINE_GUID(kSample, 0x3D82AB44, 0x62DA, 0x11CF, 0xAB, 0x39, 0x00, 0x20, 0xAF, 0x71, 0xE4, 0x33);

TEST(Guid, TextFormRoundTrips) {
  EXPECT_EQ(GuidToString(kSample), "{3D82AB44-62DA-11CF-AB39-0020AF71E433}");
  GUID read{};
  ASSERT_TRUE(GuidFromString("{3d82ab44-62da-11cf-ab39-0020af71e433}", &read));
  EXPECT_EQ(read, kSample);
  ASSERT_TRUE(GuidFromString("3D82AB44-62DA-11CF-AB39-0020AF71E433", &read));
  EXPECT_EQ(read, kSample);
}

TEST(Guid, RejectsMalformedText) {
  GUID read = GUID_NULL;
  for (const char* bad : {"", "{", "{3D82AB44-62DA-11CF-AB39-0020AF71E43}", "{3D82AB44-62DA-11CF-AB39-0020AF71E433",
                          "{3D82AB44-62DA-11CF-AB390020AF71E433}", "{3D82AB44-62DA-11CF-AB39-0020AF71E43G}",
                          "{3D82AB44-62DA-11CF-AB39-0020AF71E433}x"}) {
    EXPECT_FALSE(GuidFromString(bad, &read)) << bad;
  }
  EXPECT_EQ(read, GUID_NULL);
}

TEST(Guid, OrdersAndCompares) {
  GUID other = kSample;
  other.Data4[7] ^= 1;
  EXPECT_NE(other, kSample);
  EXPECT_TRUE(kSample < other || other < kSample);
  EXPECT_FALSE(kSample < kSample);
}

TEST(Win32Types, HaveTheirWindowsSizes) {
  static_assert(sizeof(DWORD) == 4 && sizeof(LONG) == 4 && sizeof(HRESULT) == 4 && sizeof(BOOL) == 4);
  static_assert(sizeof(UINT) == 4 && sizeof(WORD) == 2 && sizeof(BYTE) == 1);
  static_assert(sizeof(WPARAM) == sizeof(void*) && sizeof(LPARAM) == sizeof(void*));
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

namespace {

DEFINE_GUID(IID_ISample, 0x11111111, 0x2222, 0x3333, 0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55);
struct ISample : IUnknown {
  virtual int Value() = 0;
};
struct Sample final : TComObject<ISample, &IID_ISample> {
  explicit Sample(bool* deleted) : m_deleted(deleted) {}
  ~Sample() override { *m_deleted = true; }
  int Value() override { return 7; }
  bool* m_deleted;
};

}  // namespace

TEST(ComObject, CountsReferencesExactly) {
  bool deleted = false;
  ISample* sample = new Sample(&deleted);
  EXPECT_EQ(sample->AddRef(), 2u);
  void* other = nullptr;
  ASSERT_EQ(sample->QueryInterface(IID_ISample, &other), S_OK);
  EXPECT_EQ(static_cast<ISample*>(other)->Value(), 7);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(sample->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(sample->QueryInterface(GUID_NULL, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(unknown->Release(), 3u);
  EXPECT_EQ(sample->Release(), 2u);
  EXPECT_EQ(sample->Release(), 1u);
  EXPECT_FALSE(deleted);
  EXPECT_EQ(sample->Release(), 0u);
  EXPECT_TRUE(deleted);
}
