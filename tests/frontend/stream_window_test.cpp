// The stream front end: one answer line per question (LF, CR LF or CR),
// nothing read past it, UTF-8 both ways, end of input closes the window, an
// answer the entry cannot take whole ends the run.
#include "runtime/frontend/stream_window.h"

#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include "tests/io/dialogue_routine.h"
#include "tests/support/runtime_test.h"

namespace tolvex::testing {
namespace {

struct StreamRun {
  int status;
  std::string output;
  std::string errors;
  std::string left_in_input;
};

std::string ReadToEnd(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, n);
  close(fd);
  return text;
}

// Runs the dialogue with `input` on a pipe as stdin and pipes as stdout and
// stderr.
StreamRun RunDialogue(const std::string& input) {
  int in[2], out[2], err[2];
  EXPECT_EQ(pipe(in), 0);
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(in[1]);
  StreamRun run;
  {
    frontend::StreamWindow window(in[0], out[1], err[1]);
    run.status = frame::RunProgramIn(window, "/bin/dialogue", &kDialogueProgram, DialogueRoutine);
  }
  close(out[1]);
  close(err[1]);
  run.output = ReadToEnd(out[0]);
  run.errors = ReadToEnd(err[0]);
  run.left_in_input = ReadToEnd(in[0]);
  return run;
}

class StreamWindowTest : public RuntimeTest {};

TEST_F(StreamWindowTest, EachQuestionTakesOneLine) {
  const std::string shown = "File Name xxxxxx.XML? tile\nunit? 1\n[tile/1]\ndone? \n";
  struct Case {
    const char* input;
    const char* left;  // never read ahead: the LF of a last CR LF stays too
  };
  const Case cases[] = {{"tile\n1\n\nNEXT", "NEXT"},
                        {"tile\r\n1\r\n\r\nNEXT", "\nNEXT"},
                        {"tile\r1\r\rNEXT", "NEXT"}};
  for (const Case& c : cases) {
    frame::ResetRuntime();
    StreamRun run = RunDialogue(c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, shown);
    EXPECT_EQ(run.left_in_input, c.left);
  }
}

TEST_F(StreamWindowTest, ReEntryUtf8AndTheEndOfInput) {
  StreamRun run = RunDialogue("\xe6\xa8\x99\xe9\xab\x98\nabc\n2\n");
  // 標高; "もう一度入力してください" after the rejected unit; then the input ends
  // at the last question: the window closes quietly.
  EXPECT_EQ(run.output,
            "File Name xxxxxx.XML? \xe6\xa8\x99\xe9\xab\x98\nunit? abc\n"
            "\xe3\x82\x82\xe3\x81\x86\xe4\xb8\x80\xe5\xba\xa6\xe5\x85\xa5\xe5\x8a\x9b"
            "\xe3\x81\x97\xe3\x81\xa6\xe3\x81\x8f\xe3\x81\xa0\xe3\x81\x95\xe3\x81\x84\n"
            "unit? 2\n[\xe6\xa8\x99\xe9\xab\x98/2]\ndone? ");
  EXPECT_EQ(run.status, 0);
}

// An answer the entry cannot take whole is never used: it is not echoed,
// the lines after it stay unread, and stderr says why.
TEST_F(StreamWindowTest, AnAnswerTheEntryCannotTakeEndsTheRun) {
  const std::string many(2000, 'a');
  struct Case {
    std::string answer, why;
  };
  const Case cases[] = {
      {"caf\xc3\xa9", "\"caf\xc3\xa9\" holds characters that code page 932 cannot hold"},
      {std::string("ab\0c", 4), "\"ab\\0c\" holds a NUL byte, which an entry does not take"},
      {many, "\"" + many.substr(0, 40) + "...\" is longer than the 255 bytes an entry holds"},
  };
  for (const Case& c : cases) {
    frame::ResetRuntime();
    StreamRun run = RunDialogue(c.answer + "\n1\n\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, "File Name xxxxxx.XML? ");
    EXPECT_EQ(run.errors, "dialogue: answer " + c.why + "\n");
    EXPECT_EQ(run.left_in_input, "1\n\n");
  }
}

// 255 half-width katakana: three bytes each as read, one in the entry.
TEST_F(StreamWindowTest, TheLongestAnswerIsCountedInCodePage932) {
  std::string kana;
  for (int i = 0; i < 255; ++i) kana += "\xef\xbd\xb1";
  StreamRun run = RunDialogue(kana + "\n1\n\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("[" + kana + "/1]"), std::string::npos);
}

// SIGTERM, SIGHUP and, with no break on a stream, SIGINT close the window
// and say which signal did, for the exit status.
TEST_F(StreamWindowTest, SignalsCloseTheWindowAndAreNamed) {
  for (int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    int in[2];
    ASSERT_EQ(pipe(in), 0);
    frontend::StreamWindow window(in[0], -1, -1);
    ASSERT_TRUE(window.Open("dialogue"));
    EXPECT_EQ(window.ClosingSignal(), 0);
    raise(signal_number);
    EXPECT_FALSE(window.PumpMessages()) << signal_number;
    EXPECT_EQ(window.ClosingSignal(), signal_number);
    window.Close();
    close(in[0]);
    close(in[1]);
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
  EXPECT_EQ(frontend::AnswerToCp932(std::string(255, 'a'), &cp932), frontend::AnswerRefusal::kNone);
  uint8_t carried = 0;
  const uint8_t first[] = {'a', '\r', '\n', 0x95};
  const uint8_t second[] = {0x57, '\r', '\n'};
  EXPECT_EQ(frontend::ConsoleToUtf8(first, 4, &carried), "a\n");
  EXPECT_EQ(frontend::ConsoleToUtf8(second, 3, &carried), "\xe6\xa8\x99\n");
}

}  // namespace
}  // namespace tolvex::testing
