// Files written below a confined folder: what each way of putting a file at
// its name does to whatever already holds that name, and copies from a
// source file, whichever way the system moves the bytes.
#include "platform/confined_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"

namespace mv::platform {
namespace {

namespace stdfs = std::filesystem;
using test::LinkKind;

class ConfinedFolderTest : public testing::Test {
 protected:
  std::string At(const std::string& relative) const { return folder_.Join(relative); }
  test::TempFolder folder_;
};

// A file written as new (under a temporary name, or at once at its final
// name) over a name already taken: the name's holder is told apart, keeps
// its bytes, and no temporary file is left behind; a new file abandoned
// before it is finished leaves nothing.
TEST_F(ConfinedFolderTest, NewFileNeverTakesATakenName) {
  test::MakeTree(At("root/"), {{"plain.txt", "old"}, {"folder/inside.txt", "in"}});
  test::WriteFileText(At("outside.txt"), "outside");
  const bool links = test::MakeLink(LinkKind::kFileSymlink, At("outside.txt"), At("root/link.txt")).empty();
  ConfinedFolder root;
  ASSERT_TRUE(root.Open(At("root").c_str()));
  const struct {
    const char* name;
    bool finish;
    ConfinedStatus expected;
  } cases[] = {
      {"plain.txt", true, ConfinedStatus::kExists},
      {"folder", true, ConfinedStatus::kIsFolder},
      {"link.txt", true, ConfinedStatus::kLink},
      {"fresh.txt", true, ConfinedStatus::kOk},
      {"abandoned.txt", false, ConfinedStatus::kOk},
  };
  for (CreateMode mode : {CreateMode::kNew, CreateMode::kFresh}) {
    const std::string suffix = mode == CreateMode::kNew ? "" : "-2";
    for (const auto& c : cases) {
      if (!links && std::string(c.name) == "link.txt") continue;
      const std::string name = std::string(c.name) + (c.expected == ConfinedStatus::kOk ? suffix : "");
      // Refused when the file is begun or, at the latest, when it is finished.
      ConfinedFile file;
      ConfinedStatus status = root.BeginFile(name.c_str(), mode, &file);
      if (status == ConfinedStatus::kOk) status = file.Write("new", 3);
      if (status == ConfinedStatus::kOk && c.finish) status = file.Finish(FileTimes(), 0, nullptr);
      EXPECT_EQ(status, c.expected) << name;
    }
  }
  EXPECT_EQ(test::ReadFileText(At("root/plain.txt")), "old");
  EXPECT_EQ(test::ReadFileText(At("outside.txt")), "outside");
  EXPECT_EQ(test::ReadFileText(At("root/fresh.txt")), "new");
  EXPECT_EQ(test::ReadFileText(At("root/fresh.txt-2")), "new");
  EXPECT_EQ(test::ListNames(At("root/")).size(), links ? 5u : 4u) << "a temporary or abandoned file was left";
}

// Sources beside the target, and (where there is one) on a memory file
// system while the target is not, as a decryption's work area is.
TEST_F(ConfinedFolderTest, CopiesWholeSourcesOfEverySize) {
  std::vector<std::string> sources = {At("source.bin")};
#ifndef _WIN32
  if (stdfs::is_directory("/dev/shm")) sources.push_back("/dev/shm/mvtest-source-" + std::to_string(getpid()));
#endif
  for (const std::string& source_path : sources) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{3 << 20}}) {
      SCOPED_TRACE(source_path);
      std::string bytes(size, '\0');
      for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
      test::WriteFileText(source_path, bytes);
      SourceFile source;
      ASSERT_TRUE(source.Open(source_path.c_str()));
      ASSERT_EQ(source.GetSize(), size);
      ConfinedFolder root;
      ASSERT_TRUE(root.Open(folder_.Join("").c_str()));
      ConfinedFile file;
      ASSERT_EQ(root.BeginFile("copies/copy.bin", CreateMode::kReplace, &file), ConfinedStatus::kOk);
      char buffer[4096];
      size_t total = 0;
      for (size_t copied = 1; copied != 0; total += copied) {
        ASSERT_EQ(file.CopyFrom(source, 1 << 20, buffer, sizeof buffer, &copied), ConfinedStatus::kOk);
      }
      EXPECT_EQ(total, size);
      ASSERT_EQ(file.Finish(source.GetTimes(), source.GetAttributes(), nullptr), ConfinedStatus::kOk);
      EXPECT_TRUE(test::ReadFileText(At("copies/copy.bin")) == bytes) << size << " bytes";
      source.Close();
      stdfs::remove(source_path);
    }
  }
  EXPECT_FALSE(SourceFile().Open(At("copies").c_str())) << "a folder is no source";
}

}  // namespace
}  // namespace mv::platform
