// Writing a self-extractor through a file, in flat memory, and reading the
// package of one where it lies in the file: the written image is the one
// growing in memory makes, nothing half-written stays behind, and the
// reading commands find the container's bytes.
#include "tools/self_extractor_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/payload.h"
#include "container/package_reader.h"
#include "tests/support/file_tree.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tests/tools/stub_image.h"
#include "tools/package_source.h"

namespace mv::tools {
namespace {

using test_stub::LoadStub;
using test_stub::Pattern;

// The names in folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names = test::ListNames(folder);
  std::sort(names.begin(), names.end());
  return names;
}

SectionLayout SampleLayout() {
  SectionLayout layout;
  layout.present = true;
  layout.description = "Quartalsberichte f\xFCr den Vorstand.";
  layout.link = "www.example.org/reports";
  layout.disclaimer = "";
  layout.bitmap = Pattern(3000);
  layout.bitmap[0] = 'B';
  layout.bitmap[1] = 'M';
  return layout;
}

// Writes a self-extractor of stub carrying the container file at container.
bool WriteSelfExtractor(const Bytes& stub, const std::string& out, const std::string& container,
                        const SectionLayout& layout, std::string* error, bool replace = true) {
  PayloadGrowth growth;
  SelfExtractorWriter writer;
  return growth.Prepare(stub, error) && writer.Begin(growth, out, layout, replace, error) &&
         writer.CopyContainer(container, error) && writer.Finish(error);
}

TEST(SelfExtractorWriter, WritesTheImageThatGrowingInMemoryMakes) {
  const Bytes stub = LoadStub();
  for (bool with_layout : {false, true}) {
    for (size_t size : {size_t{10}, size_t{3} << 20}) {
      SCOPED_TRACE(std::to_string(size) + (with_layout ? " with layout" : ""));
      test::TempFolder temp;
      const Bytes container = Pattern(size);
      ASSERT_TRUE(WriteWholeFile(temp.Join("package.mef"), container));
      const SectionLayout layout = with_layout ? SampleLayout() : SectionLayout();
      std::string error;
      ASSERT_TRUE(WriteSelfExtractor(stub, temp.Join("out.exe"), temp.Join("package.mef"), layout, &error)) << error;
      EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"out.exe", "package.mef"}));

      Bytes written;
      ASSERT_TRUE(ReadWholeFile(temp.Join("out.exe"), &written));
      Bytes section;
      ASSERT_TRUE(ReadPayloadSection(written, &section, &error)) << error;
      const PayloadView view = FindPayloadHeaderIn(section.data(), section.size());
      ASSERT_NE(view.ContainerData(), nullptr);
      EXPECT_EQ(Bytes(view.ContainerData(), view.ContainerData() + view.data_size), container);
      PayloadLayout read;
      ASSERT_EQ(LoadLayoutFrom(view, &read), kOk);
      EXPECT_EQ(read.has_layout, with_layout ? 1 : 0);
      EXPECT_STREQ(read.info_text.c_str(), layout.description.c_str());
      EXPECT_STREQ(read.link_text.c_str(), layout.link.c_str());
      EXPECT_EQ(Bytes(read.bitmap_data, read.bitmap_data + read.bitmap_size), layout.bitmap);
      // Headers, padding, the moved tables and the checksum: as in memory.
      Bytes grown = stub;
      ASSERT_TRUE(GrowPayloadSection(&grown, section, &error)) << error;
      EXPECT_TRUE(grown == written);
    }
  }
}

TEST(SelfExtractorWriter, ReplacesWhatIsAtTheNameAndLeavesNothingHalfWritten) {
  const Bytes stub = LoadStub();
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("package.mef"), Pattern(5000)));
  ASSERT_TRUE(WriteWholeFile(temp.Join("out.exe"), Pattern(7)));
  std::string error;
  // Not asked to replace: the file there stays as it was, and nothing else
  // is left behind.
  EXPECT_FALSE(WriteSelfExtractor(stub, temp.Join("out.exe"), temp.Join("package.mef"), SectionLayout(), &error,
                                  false));
  EXPECT_NE(error.find("out.exe"), std::string::npos) << error;
  EXPECT_NE(error.find("code 213"), std::string::npos) << error;
  Bytes kept;
  ASSERT_TRUE(ReadWholeFile(temp.Join("out.exe"), &kept));
  EXPECT_EQ(kept, Pattern(7));
  EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"out.exe", "package.mef"}));
  error.clear();
  ASSERT_TRUE(WriteSelfExtractor(stub, temp.Join("out.exe"), temp.Join("package.mef"), SectionLayout(), &error))
      << error;
  Bytes written;
  ASSERT_TRUE(ReadWholeFile(temp.Join("out.exe"), &written));
  EXPECT_GT(written.size(), stub.size());

  // A container that cannot be read: the temporary file goes, and the name
  // stays free.
  error.clear();
  EXPECT_FALSE(WriteSelfExtractor(stub, temp.Join("new.exe"), temp.Join("missing.mef"), SectionLayout(), &error));
  EXPECT_NE(error.find("missing.mef"), std::string::npos) << error;
  // A folder at the name is refused before anything is written.
  std::filesystem::create_directory(temp.Join("folder.exe"));
  error.clear();
  EXPECT_FALSE(WriteSelfExtractor(stub, temp.Join("folder.exe"), temp.Join("package.mef"), SectionLayout(), &error));
  EXPECT_NE(error.find("folder.exe"), std::string::npos) << error;
  EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"folder.exe", "out.exe", "package.mef"}));
}

TEST(PackageSource, FindsTheContainerWhereItLiesInASelfExtractor) {
  test::TempFolder temp;
  const std::string tree = temp.Join("tree/");
  test::MakeTree(tree, test::SampleTree());
  const std::vector<uint8_t> container = test::PackageBytes(tree, "Nachricht", "secret");
  ASSERT_TRUE(WriteWholeFile(temp.Join("package.mef"), container));
  std::string error;
  ASSERT_TRUE(WriteSelfExtractor(LoadStub(), temp.Join("package.exe"), temp.Join("package.mef"), SampleLayout(),
                                 &error))
      << error;

  PackageSource mef;
  ASSERT_TRUE(mef.Open(temp.Join("package.mef"), &error)) << error;
  EXPECT_FALSE(mef.IsSelfExtractor());
  EXPECT_EQ(mef.Kind(), kContainerSealed);
  PackageSource sfx;
  ASSERT_TRUE(sfx.Open(temp.Join("package.exe"), &error)) << error;
  ASSERT_TRUE(sfx.IsSelfExtractor());
  EXPECT_EQ(sfx.Kind(), kContainerSealed);
  ASSERT_EQ(sfx.Range().length, container.size());
  Bytes image;
  ASSERT_TRUE(ReadWholeFile(temp.Join("package.exe"), &image));
  EXPECT_TRUE(Bytes(image.begin() + static_cast<std::ptrdiff_t>(sfx.Range().offset),
                    image.begin() + static_cast<std::ptrdiff_t>(sfx.Range().offset + sfx.Range().length)) ==
              container);

  // Decrypted from there, without a copy.
  PackageReader reader;
  ASSERT_EQ(reader.Open(String(temp.Join("out/").c_str())), kOk);
  reader.SetSourceRange(sfx.Range());
  ASSERT_EQ(reader.Decrypt(sfx.Path(), Password("secret"), nullptr), kOk);
  EXPECT_EQ(test::TakeSnapshot(temp.Join("out/")), test::TakeSnapshot(tree));
  String message;
  reader.GetMessageText(message);
  EXPECT_STREQ(message.c_str(), "Nachricht");
  EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"out", "package.exe", "package.mef", "tree"}));
}

TEST(PackageSource, RefusesSelfExtractorsWithoutAWholePackage) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("package.mef"), Pattern(5000)));
  std::string error;
  ASSERT_TRUE(
      WriteSelfExtractor(LoadStub(), temp.Join("full.exe"), temp.Join("package.mef"), SectionLayout(), &error))
      << error;
  Bytes image;
  ASSERT_TRUE(ReadWholeFile(temp.Join("full.exe"), &image));
  SectionSpan span;
  ASSERT_TRUE(LocatePayloadSection(MemoryImage(image), &span, &error)) << error;
  Bytes beyond = image;
  beyond[span.offset + PayloadHeader::kDataSizeField + 2] = 0x7F;  // far more than the section holds
  ASSERT_TRUE(WriteWholeFile(temp.Join("beyond.exe"), beyond));

  struct Case {
    const char* file;
    const char* says;
  } cases[] = {
      {"beyond.exe", "more than its _qzpk_ section holds"},
      {"stub.exe", "carries no package"},
  };
  ASSERT_TRUE(WriteWholeFile(temp.Join("stub.exe"), LoadStub()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    PackageSource source;
    error.clear();
    EXPECT_FALSE(source.Open(temp.Join(c.file), &error));
    EXPECT_NE(error.find(c.file), std::string::npos) << error;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace mv::tools
