// Files written below a confined folder: what each way of putting a file at
// its name does to whatever already holds that name, and copies from a
// source file, whichever way the system moves the bytes.
#include "platform/confined_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

// A file written as new over a name already taken: the name's holder is
// told apart, keeps its bytes, and no temporary file is left behind.
TEST_F(ConfinedFolderTest, NewFileNeverTakesATakenName) {
  test::MakeTree(At("root/"), {{"plain.txt", "old"}, {"folder/inside.txt", "in"}});
  test::WriteFileText(At("outside.txt"), "outside");
  const bool links = test::MakeLink(LinkKind::kFileSymlink, At("outside.txt"), At("root/link.txt")).empty();
  ConfinedFolder root;
  ASSERT_TRUE(root.Open(At("root").c_str()));
  const struct {
    const char* name;
    ConfinedStatus expected;
  } cases[] = {
      {"plain.txt", ConfinedStatus::kExists},
      {"folder", ConfinedStatus::kIsFolder},
      {"link.txt", ConfinedStatus::kLink},
      {"fresh.txt", ConfinedStatus::kOk},
  };
  for (const auto& c : cases) {
    if (!links && std::string(c.name) == "link.txt") continue;
    // Refused when the file is begun or, at the latest, when it is finished.
    ConfinedFile file;
    ConfinedStatus status = root.BeginFile(c.name, CreateMode::kNew, &file);
    if (status == ConfinedStatus::kOk) status = file.Write("new", 3);
    if (status == ConfinedStatus::kOk) status = file.Finish(FileTimes(), 0, nullptr);
    EXPECT_EQ(status, c.expected) << c.name;
  }
  EXPECT_EQ(test::ReadFileText(At("root/plain.txt")), "old");
  EXPECT_EQ(test::ReadFileText(At("outside.txt")), "outside");
  EXPECT_EQ(test::ReadFileText(At("root/fresh.txt")), "new");
  EXPECT_EQ(test::ListNames(At("root/")).size(), links ? 4u : 3u) << "a temporary file was left";
}

TEST_F(ConfinedFolderTest, CopiesWholeSourcesOfEverySize) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{3 << 20}}) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    test::WriteFileText(At("source.bin"), bytes);
    SourceFile source;
    ASSERT_TRUE(source.Open(At("source.bin").c_str()));
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
  }
  EXPECT_FALSE(SourceFile().Open(At("copies").c_str())) << "a folder is no source";
}

}  // namespace
}  // namespace mv::platform
