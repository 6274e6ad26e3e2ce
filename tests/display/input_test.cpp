// display_poll_escape against key events sent to the show's window by a
// second client, and reading the mode number at the menu.
// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/display.h"
#include "display/display_state.h"
#include "tests/support/support.h"

namespace {

class EscapePoll : public testing::Test {
 protected:
  void SetUp() override {
    std::string display = xvfb_display(24);
    ASSERT_FALSE(display.empty());
    setenv("DISPLAY", display.c_str(), 1);
    ASSERT_EQ(display_open_mode(320, 200, 1), 0);
    sender_ = XOpenDisplay(display.c_str());
    ASSERT_NE(sender_, nullptr);
  }
  void TearDown() override {
    if (sender_) XCloseDisplay(sender_);
    display_close();
  }

  // A key event as the server would deliver it to the window's KeyPress
  // selection; release events travel on that selection too.
  void send_key(int type, unsigned keycode) {
    XEvent event{};
    event.xkey.type = type;
    event.xkey.window = display_state.window;
    event.xkey.root = display_state.root;
    event.xkey.keycode = keycode;
    event.xkey.same_screen = True;
    ASSERT_NE(XSendEvent(sender_, display_state.window, False, KeyPressMask, &event), 0);
    XSync(sender_, False);
  }

  int queued() { return XEventsQueued(display_state.display, QueuedAfterReading); }
  unsigned keycode(KeySym sym) { return XKeysymToKeycode(sender_, sym); }

  Display* sender_ = nullptr;
};

TEST_F(EscapePoll, EscapeInTheMiddleReturnsOneAndLeavesLaterEventsQueued) {
  send_key(KeyPress, 38);
  send_key(KeyRelease, 9);  // a release counts like a press
  send_key(KeyPress, 40);
  send_key(KeyPress, 9);
  EXPECT_EQ(display_poll_escape(), 1);
  ASSERT_EQ(queued(), 2);
  XEvent next;
  XPeekEvent(display_state.display, &next);
  EXPECT_EQ(next.type, KeyPress);
  EXPECT_EQ(next.xkey.keycode, 40u);
}

TEST_F(EscapePoll, AfterOneEscapeEveryPollSaysEscape) {
  // A scene may poll three times after the phase an Escape cut short; one
  // press must end the show however many polls follow.
  EXPECT_EQ(display_poll_escape(), 0);
  send_key(KeyPress, 38);
  send_key(KeyPress, 9);
  EXPECT_EQ(display_poll_escape(), 1);
  for (int poll = 0; poll < 5; ++poll) EXPECT_EQ(display_poll_escape(), 1) << poll;
  // A new display starts without it.
  display_close();
  ASSERT_EQ(display_open_mode(320, 200, 1), 0);
  EXPECT_EQ(display_poll_escape(), 0);
}

TEST_F(EscapePoll, OtherKeysAreConsumedAndIgnored) {
  for (unsigned key : {10u, 24u, 36u, 8u, 137u}) send_key(KeyPress, key);
  EXPECT_EQ(display_poll_escape(), 0);
  EXPECT_EQ(queued(), 0);
  EXPECT_EQ(display_poll_escape(), 0);
  EXPECT_EQ(display_take_key(), kKeyNone);
}

// Space, Left and Right pressed are the show's keys, pushed in order as the
// poll takes them; their releases are not, nor is a poll's answer changed.
TEST_F(EscapePoll, TheShowsKeysArePushedInTheOrderPressed) {
  send_key(KeyPress, keycode(XK_space));
  send_key(KeyRelease, keycode(XK_space));
  send_key(KeyPress, keycode(XK_Left));
  send_key(KeyPress, 38);
  send_key(KeyPress, keycode(XK_Right));
  send_key(KeyRelease, keycode(XK_Right));
  EXPECT_EQ(display_poll_escape(), 0);
  EXPECT_EQ(display_take_key(), kKeyPause);
  EXPECT_EQ(display_take_key(), kKeyPreviousScene);
  EXPECT_EQ(display_take_key(), kKeyNextScene);
  EXPECT_EQ(display_take_key(), kKeyNone);
}

// Between frames the show's keys are taken out of the queue and everything
// else stays for the next poll: an Escape typed between them still ends it.
TEST_F(EscapePoll, KeysGatheredAfterAFrameLeaveEscapeForThePoll) {
  send_key(KeyPress, keycode(XK_Right));
  send_key(KeyPress, 9);
  send_key(KeyPress, keycode(XK_Left));
  ASSERT_NE(display_home_sink()->gather_keys, nullptr);
  display_home_sink()->gather_keys();
  EXPECT_EQ(display_take_key(), kKeyNextScene);
  EXPECT_EQ(display_take_key(), kKeyPreviousScene);
  EXPECT_EQ(queued(), 1);
  EXPECT_EQ(display_poll_escape(), 1);
}

TEST_F(EscapePoll, OnlyKeyEventsCount) {
  // A client message whose data lies where a key event keeps its key code.
  XEvent message{};
  message.xclient.type = ClientMessage;
  message.xclient.window = display_state.window;
  message.xclient.message_type = XInternAtom(sender_, "TUNDRIX_TEST", False);
  message.xclient.format = 32;
  message.xkey.keycode = 9;
  ASSERT_EQ(message.xkey.keycode, 9u);
  XSendEvent(sender_, display_state.window, False, NoEventMask, &message);
  XSync(sender_, False);
  EXPECT_EQ(display_poll_escape(), 0);
  send_key(KeyPress, 9);
  EXPECT_EQ(display_poll_escape(), 1);
}

TEST_F(EscapePoll, EmptyQueueReturnsZero) { EXPECT_EQ(display_poll_escape(), 0); }

int read_number(const char* text) {
  FILE* in = fmemopen(const_cast<char*>(text), std::strlen(text), "r");
  int value = display_read_number(in);
  std::fclose(in);
  return value;
}

TEST(ModeNumber, ReadsLikeScanfDecimalWithoutOverflow) {
  EXPECT_EQ(read_number("3\n"), 3);
  EXPECT_EQ(read_number("  \n\t 6 trailing"), 6);
  EXPECT_EQ(read_number("+2"), 2);
  EXPECT_EQ(read_number("-1"), -1);
  EXPECT_EQ(read_number("4x"), 4);
  EXPECT_EQ(read_number("0000000000000000000000000000005"), 5);
  EXPECT_EQ(read_number(""), 0);
  EXPECT_EQ(read_number("word"), 0);
  EXPECT_EQ(read_number("-"), 0);
  EXPECT_EQ(read_number("4294967297"), 1000000);
  EXPECT_EQ(read_number("-99999999999999999999999999"), -1000000);
}

TEST(ModeNumber, LeavesTheRestOfTheLineUnread) {
  const char text[] = "12abc";
  FILE* in = fmemopen(const_cast<char*>(text), 5, "r");
  EXPECT_EQ(display_read_number(in), 12);
  EXPECT_EQ(std::fgetc(in), 'a');
  std::fclose(in);
}

}  // namespace
