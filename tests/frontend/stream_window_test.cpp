// The stream front end: one answer line per question (LF, CR LF or CR),
// nothing read past it, UTF-8 both ways, end of input closes the window, an
// answer the entry cannot take whole ends the run.
#include "runtime/frontend/stream_window.h"

#include <unistd.h>

#include <csignal>

#include "tests/io/dialogue_routine.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

std::string ReadToEnd(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(fd);
  return text;
}

using StreamWindowTest = RuntimeTest;

// The dialogue with each input on a pipe as stdin, and pipes as stdout and
// stderr. An answer the entry cannot take whole is never used: it is not
// echoed, the lines after it stay unread, and stderr says why.
TEST_F(StreamWindowTest, TheDialogueOnPipes) {
  const std::string shown = "File Name xxxxxx.XML? tile\nunit? 1\n[tile/1]\ndone? \n";
  const std::string asked = "File Name xxxxxx.XML? ", many(2000, 'a');
  std::string kana;  // 255 half-width katakana: three bytes each as read, one in the entry
  for (int i = 0; i < 255; ++i) kana += "\xef\xbd\xb1";
  const struct Case {
    std::string input;
    int status;
    std::string output, errors, left;  // never read ahead: the LF of a last CR LF stays too
  } cases[] = {
      {"tile\n1\n\nNEXT", 0, shown, "", "NEXT"},
      {"tile\r\n1\r\n\r\nNEXT", 0, shown, "", "\nNEXT"},
      {"tile\r1\r\rNEXT", 0, shown, "", "NEXT"},
      // 標高; "もう一度入力してください" after the rejected unit; then the
      // input ends at the last question: the window closes quietly.
      {"\xe6\xa8\x99\xe9\xab\x98\nabc\n2\n", 0,
       "File Name xxxxxx.XML? \xe6\xa8\x99\xe9\xab\x98\nunit? abc\n"
       "\xe3\x82\x82\xe3\x81\x86\xe4\xb8\x80\xe5\xba\xa6\xe5\x85\xa5\xe5\x8a\x9b"
       "\xe3\x81\x97\xe3\x81\xa6\xe3\x81\x8f\xe3\x81\xa0\xe3\x81\x95\xe3\x81\x84\n"
       "unit? 2\n[\xe6\xa8\x99\xe9\xab\x98/2]\ndone? ", "", ""},
      {kana + "\n1\n\n", 0, asked + kana + "\nunit? 1\n[" + kana + "/1]\ndone? \n", "", ""},
      {"caf\xc3\xa9\n1\n\n", 1, asked,
       "\"caf\xc3\xa9\" holds characters that code page 932 cannot hold", "1\n\n"},
      {std::string("ab\0c\n1\n\n", 8), 1, asked,
       "\"ab\\0c\" holds a NUL byte, which an entry does not take", "1\n\n"},
      {many + "\n1\n\n", 1, asked,
       "\"" + many.substr(0, 40) + "...\" is longer than the 255 bytes an entry holds", "1\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 20));
    frame::ResetRuntime();
    int in[2], out[2], err[2];
    ASSERT_EQ(pipe(in) | pipe(out) | pipe(err), 0);
    ASSERT_EQ(write(in[1], c.input.data(), c.input.size()), static_cast<ssize_t>(c.input.size()));
    close(in[1]);
    {
      frontend::StreamWindow window(in[0], out[1], err[1]);
      EXPECT_EQ(frame::RunProgramIn(window, "/bin/dialogue", &kDialogueProgram, DialogueRoutine),
                c.status);
    }
    close(out[1]);
    close(err[1]);
    EXPECT_EQ(ReadToEnd(out[0]), c.output);
    EXPECT_EQ(ReadToEnd(err[0]), c.errors.empty() ? "" : "dialogue: answer " + c.errors + "\n");
    EXPECT_EQ(ReadToEnd(in[0]), c.left);
  }
}

// SIGTERM, SIGHUP and, with no break on a stream, SIGINT close the window
// and say which signal did, for the exit status.
TEST_F(StreamWindowTest, SignalsCloseTheWindowAndAreNamed) {
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    frontend::StreamWindow window(-1, -1, -1);  // a pump reads nothing
    ASSERT_TRUE(window.Open("dialogue"));
    EXPECT_EQ(window.ClosingSignal(), 0);
    raise(signal_number);
    EXPECT_FALSE(window.PumpMessages()) << signal_number;
    EXPECT_EQ(window.ClosingSignal(), signal_number);
    window.Close();
  }
}

TEST(StreamText, Conversions) {
  std::string cp932;
  EXPECT_EQ(frontend::AnswerToCp932("\xe6\xa8\x99" "a", &cp932), frontend::AnswerRefusal::kNone);
  EXPECT_EQ(cp932, "\x95\x57" "a");
  EXPECT_EQ(frontend::AnswerToCp932("\x95\x57", &cp932), frontend::AnswerRefusal::kNone);
  EXPECT_EQ(cp932, "\x95\x57");  // already code page 932
  // An emoji; 〜, which would come back as ～ (another name).
  for (const char* unheld : {"a\xf0\x9f\x98\x80" "b", "\xe3\x80\x9c"})
    EXPECT_EQ(frontend::AnswerToCp932(unheld, &cp932), frontend::AnswerRefusal::kUnheldCharacters);
  std::string kanji;  // 標 x 128: 256 bytes
  for (int i = 0; i < 128; ++i) kanji += "\xe6\xa8\x99";
  EXPECT_EQ(frontend::AnswerToCp932(kanji, &cp932), frontend::AnswerRefusal::kTooLong);
  uint8_t carried = 0;
  const uint8_t first[] = {'a', '\r', '\n', 0x95};
  const uint8_t second[] = {0x57, '\r', '\n'};
  EXPECT_EQ(frontend::ConsoleToUtf8(first, 4, &carried), "a\n");
  EXPECT_EQ(frontend::ConsoleToUtf8(second, 3, &carried), "\xe6\xa8\x99\n");
}

}  // namespace
}  // namespace tolvex::testing
