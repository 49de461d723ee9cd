#include <afxwin.h>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

class CShape : public CObject {
  DECLARE_DYNAMIC(CShape)
};
IMPLEMENT_DYNAMIC(CShape, CObject)

class CBox : public CShape {
  DECLARE_DYNCREATE(CBox)

 public:
  int m_sides = 6;
};
IMPLEMENT_DYNCREATE(CBox, CShape)

}  // namespace

TEST(RuntimeClass, KindsAndDynamicCreation) {
  CObject* made = RUNTIME_CLASS(CBox)->CreateObject();
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CBox)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CShape)));
  EXPECT_TRUE(made->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(made->IsKindOf(RUNTIME_CLASS(CWnd)));
  EXPECT_STREQ(made->GetRuntimeClass()->m_lpszClassName, "CBox");
  EXPECT_EQ(made->GetRuntimeClass()->m_nObjectSize, static_cast<int>(sizeof(CBox)));
  EXPECT_EQ(DYNAMIC_DOWNCAST(CBox, made)->m_sides, 6);
  EXPECT_EQ(DYNAMIC_DOWNCAST(CWnd, made), nullptr);
  delete made;
  EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
  EXPECT_TRUE(RUNTIME_CLASS(CWinApp)->IsDerivedFrom(RUNTIME_CLASS(CCmdTarget)));
}

namespace {

class CReceiver : public CWnd {
 public:
  std::vector<std::pair<UINT, WPARAM>> m_got;
  bool m_gone = false;

 protected:
  LRESULT OnFour(WPARAM wParam, LPARAM) {
    m_got.emplace_back(WM_USER + 4, wParam);
    return 40;
  }
  LRESULT OnSeven(WPARAM wParam, LPARAM) {
    m_got.emplace_back(WM_USER + 7, wParam);
    return 70;
  }
  void PostNcDestroy() override { m_gone = true; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReceiver, CWnd)
ON_MESSAGE(WM_USER + 4, OnFour)
ON_MESSAGE(WM_USER + 7, OnSeven)
END_MESSAGE_MAP()

}  // namespace

TEST(Wnd, MessagesReachTheMessageMap) {
  CReceiver receiver;
  ASSERT_TRUE(receiver.CreateEx(0, nullptr, "receiver", 0, 0, 0, 0, 0, nullptr, nullptr));
  HWND window = receiver.GetSafeHwnd();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(CWnd::FromHandlePermanent(window), &receiver);
  CWnd* seenByWorker = &receiver;
  std::thread([&] {
    seenByWorker = CWnd::FromHandlePermanent(window);  // each thread has its own map
    PostMessageA(window, WM_USER + 7, 1, 0);
    PostMessageA(window, WM_USER + 5, 2, 0);  // not in the map
    PostMessageA(window, WM_USER + 4, 3, 0);
  }).join();
  EXPECT_EQ(seenByWorker, nullptr);
  EXPECT_EQ(receiver.SendMessage(WM_USER + 4, 9), 40);
  MSG msg;
  while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  using Got = std::vector<std::pair<UINT, WPARAM>>;
  EXPECT_EQ(receiver.m_got, (Got{{WM_USER + 4, 9}, {WM_USER + 7, 1}, {WM_USER + 4, 3}}));
  EXPECT_TRUE(receiver.DestroyWindow());
  EXPECT_TRUE(receiver.m_gone);
  EXPECT_EQ(receiver.GetSafeHwnd(), nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
}
