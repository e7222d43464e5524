// The message-text lookup and the project's message library: the root order,
// the 247-byte limit, silent libraries, trust, and a text for every code.
#include "runtime/frame/message_text.h"

#include <sys/stat.h>

#include <vector>

#include "runtime/os/dynamic_library.h"
#include "tests/support/hive_fixture.h"

namespace tolvex::testing {
namespace {

const std::string kFileNotFound = "ファイルが見つかりません";

// A fake set of libraries: each directory's library answers with its own
// text, or 0, or lacks the function; loads and unloads are counted.
class FakeLibraries : public os::DynamicLibraries {
 public:
  struct Library {
    std::string path;
    int32_t answer;  // what the function returns; -1: no function
    std::string text;
  };
  std::vector<Library> libraries;
  std::vector<std::string> loaded;
  int open = 0;
  uint32_t last_code = 0, last_size = 0;

  void* Load(const char* path) override {
    loaded.push_back(path);
    for (Library& library : libraries)
      if (library.path == path) {
        ++open;
        return &library;
      }
    return nullptr;
  }
  void* FindFunction(void* handle, const char* name) override {
    if (std::string(name) != "$PbGetErrMsg" || static_cast<Library*>(handle)->answer < 0)
      return nullptr;
    return reinterpret_cast<void*>(&Answer);
  }
  void Unload(void*) override { --open; }

  static int32_t Answer(void* module, uint32_t code, char* buffer, uint32_t size) {
    Library* library = static_cast<Library*>(module);
    self->last_code = code;
    self->last_size = size;
    std::snprintf(buffer, size, "%s", library->text.c_str());
    return library->answer;
  }
  static inline FakeLibraries* self = nullptr;
};

class MessageTextTest : public HiveTest {
 protected:
  // The text for `code` in UTF-8; "<none>" without one.
  static std::string Look(int16_t code, uint32_t size = frame::kConsoleMessageBytes) {
    std::vector<char> buffer(size, 'x');
    if (!frame::LookUpMessageText(code, buffer.data(), size)) return "<none>";
    return Utf8(buffer.data());
  }
};

// The directory may hold 247 bytes; one more and the root is passed over.
// "./" segments make paths of any length that name the same directory.
TEST_F(MessageTextTest, ADirectoryLongerThan247BytesIsPassedOver) {
  ASSERT_LT(LibraryDirectory().size(), 240u);
  SetLibraryDirectory(LibraryDirectory(247));
  EXPECT_EQ(Look(63), kFileNotFound);
  SetLibraryDirectory(LibraryDirectory(248));
  EXPECT_EQ(Look(63), "<none>");
  SetLibraryDirectory(LibraryDirectory(), false);  // the next root still counts
  EXPECT_EQ(Look(63), kFileNotFound);
}

TEST_F(MessageTextTest, MachineRootFirstThenUserRoot) {
  FakeLibraries fake;
  FakeLibraries::self = &fake;
  os::UseLibraries(&fake);
  SetLibraryDirectory("/m/");
  SetLibraryDirectory("/u/", false);
  struct Row {
    int32_t machine_answer, user_answer;
    const char* expected;
  } rows[] = {
      {1, 1, "machine"},   // the machine's text wins
      {0, 1, "user"},      // a 0 answer tries the next root
      {-1, 1, "user"},     // no function: next root
      {0, -1, "<none>"},
  };
  for (const Row& row : rows) {
    fake.libraries = {{"/m/K7Q2RE63.DLL", row.machine_answer, "machine"},
                      {"/u/K7Q2RE63.DLL", row.user_answer, "user"}};
    fake.loaded.clear();
    EXPECT_EQ(Look(-1, 256), row.expected);
    EXPECT_EQ(fake.open, 0) << "every library is unloaded after the lookup";
    EXPECT_EQ(fake.loaded.front(), "/m/K7Q2RE63.DLL");
  }
  EXPECT_EQ(fake.last_code, 0xFFFFu);  // the code zero-extended from 16 bits
  EXPECT_EQ(fake.last_size, 256u);
  fake.libraries.clear();  // neither loads
  fake.loaded.clear();
  EXPECT_EQ(Look(5), "<none>");
  EXPECT_EQ(fake.loaded.size(), 2u);
}

// A library is loaded only from a directory nobody else may write, named by
// a hive others may not write (its group may); else no text, no error.
TEST_F(MessageTextTest, TheLibraryIsUsedOnlyWhereNobodyElseCouldHavePutIt) {
  const std::string directory = dir_ + "/lib";
  WriteFile(directory + "/" + frame::kMessageLibraryName,
            ReadFile(LibraryDirectory() + frame::kMessageLibraryName));
  SetLibraryDirectory(directory + "/");
  struct Row {
    mode_t directory_mode, hive_mode;
    bool found;
  } rows[] = {{0755, 0644, true}, {0777, 0644, false}, {0755, 0664, true}, {0755, 0646, false}};
  for (const Row& row : rows) {
    chmod(directory.c_str(), row.directory_mode);
    chmod(machine_hive_.c_str(), row.hive_mode);
    EXPECT_EQ(Look(63), row.found ? kFileNotFound : "<none>") << std::oct << row.hive_mode;
  }
}

// Every code the conversion routine's operations can raise has a text that is
// valid code page 932; a short buffer cuts it before a double-byte character.
TEST_F(MessageTextTest, TheInstalledLibraryHasATextForEveryCode) {
  EXPECT_EQ(Look(63), "<none>");  // no hives at all: no text, no error
  SetLibraryDirectory(LibraryDirectory());
  const int16_t codes[] = {5,  6,  7,  9,  10, 11, 13, 15, 16, 27, 28, 50,  51,   52,   54,  55,
                           57, 58, 59, 60, 61, 63, 64, 66, 67, 71, 72, 73,  75,   82,   89, 90,
                           98, 1000, 1002, 1006};
  for (int16_t code : codes) {
    const std::string text = Look(code);
    EXPECT_TRUE(text != "<none>" && text != "<not code page 932>") << code;
  }
  EXPECT_EQ(Look(63), kFileNotFound);
  EXPECT_EQ(Look(4242), "<none>");  // a code without text
  EXPECT_EQ(Look(63, 5), "ファ");   // room for 4 bytes: two characters
  EXPECT_EQ(Look(63, 4), "フ");     // room for 3: one
  EXPECT_EQ(Look(63, 1), "");
}

}  // namespace
}  // namespace tolvex::testing
