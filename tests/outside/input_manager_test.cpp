#include <afxwin.h>
#include <gtest/gtest.h>
#include <input_manager.h>

#include <QtCore/QCoreApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QWidget>

namespace {

class InputManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_frame = new CFrameWnd;
    ASSERT_TRUE(m_frame->Create(nullptr, "Input", WS_OVERLAPPEDWINDOW, RECT{0, 0, 200, 100}, nullptr, 0));
    m_frame->ShowWindow(SW_SHOW);
    m_child = new QWidget(m_frame->GetWidget());
    ASSERT_TRUE(g_pInputManager->CreateInputDevices(m_frame->GetSafeHwnd()));
  }
  void TearDown() override {
    g_pInputManager->ReleaseDevices();
    m_frame->DestroyWindow();  // deletes it
  }
  BYTE Key(BYTE code) {
    BYTE* keys = nullptr;
    EXPECT_EQ(g_pInputManager->GetKeyboardDeviceState(&keys), S_OK);
    return keys != nullptr ? keys[code] : 0;
  }
  void SendKey(QWidget* to, QEvent::Type type, int key) {
    QKeyEvent event(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(to, &event);
  }

  CFrameWnd* m_frame = nullptr;
  QWidget* m_child = nullptr;
};

TEST_F(InputManagerTest, AKeyPressedInTheWindowIsDownInTheKeyboardStateUntilReleased) {
  const struct {
    int qtKey;
    BYTE code;
  } cases[] = {{Qt::Key_Up, 0xC8}, {Qt::Key_Down, 0xD0}, {Qt::Key_Left, 0xCB},
               {Qt::Key_Right, 0xCD}, {Qt::Key_A, 0x1E}, {Qt::Key_Escape, 0x01}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    SendKey(m_child, QEvent::KeyPress, c.qtKey);
    EXPECT_EQ(Key(c.code), 0x80);
    SendKey(m_child, QEvent::KeyRelease, c.qtKey);
    EXPECT_EQ(Key(c.code), 0);
  }
}

TEST_F(InputManagerTest, KeysOfAnotherWindowAndAutoRepeatedReleasesAreNotTaken) {
  QWidget other;
  SendKey(&other, QEvent::KeyPress, Qt::Key_Up);
  EXPECT_EQ(Key(0xC8), 0);
  SendKey(m_child, QEvent::KeyPress, Qt::Key_Up);
  QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, QString(), true);
  QCoreApplication::sendEvent(m_child, &repeated);
  EXPECT_EQ(Key(0xC8), 0x80);
}

TEST_F(InputManagerTest, TheLeftButtonIsBit7OfTheFirstButtonByte) {
  DIMOUSESTATE* mouse = nullptr;
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(m_child, &press);
  ASSERT_EQ(g_pInputManager->GetMouseDeviceState(&mouse), S_OK);
  EXPECT_EQ(mouse->rgbButtons[0], 0x80);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QCoreApplication::sendEvent(m_child, &release);
  ASSERT_EQ(g_pInputManager->GetMouseDeviceState(&mouse), S_OK);
  EXPECT_EQ(mouse->rgbButtons[0], 0);
}

TEST_F(InputManagerTest, WithoutDevicesTheReadsFail) {
  g_pInputManager->ReleaseDevices();
  EXPECT_FALSE(g_pInputManager->IsReady());
  BYTE* keys = nullptr;
  DIMOUSESTATE* mouse = nullptr;
  EXPECT_LT(g_pInputManager->GetKeyboardDeviceState(&keys), 0);
  EXPECT_LT(g_pInputManager->GetMouseDeviceState(&mouse), 0);
  EXPECT_FALSE(g_pInputManager->CreateInputDevices(nullptr));
}

}  // namespace
