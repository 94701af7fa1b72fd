// The bounds of a self-extractor, told before any work: the worst size of a
// container holds for content that does not shrink, and every bound a
// package would pass is named with the package.
#include "tools/self_extractor_size.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "tests/tools/stub_image.h"
#include "tools/package_content.h"

namespace mv::tools {
namespace {

std::string Noise(size_t size) {
  std::mt19937 random(size);
  std::string text(size, '\0');
  for (char& c : text) c = static_cast<char>(random());
  return text;
}

TEST(SelfExtractorSize, NoContainerTakesMoreThanItsWorstSize) {
  test::TempFolder temp;
  // Content that does not shrink, in a large file (many blocks and chunks)
  // and many small ones (many records).
  std::vector<test::TreeItem> items = {{"noise.bin", Noise((3 << 20) + 77)}};
  for (int i = 0; i < 200; ++i) items.push_back({"small/" + std::to_string(i) + ".bin", Noise(i)});
  test::MakeTree(temp.Join("tree/"), items);
  for (const PackageKind kind : {PackageKind::kStrong, PackageKind::kClassic}) {
    for (uint32_t compression : {0u, 1u, 2u}) {
      SCOPED_TRACE(std::to_string(compression) + (kind == PackageKind::kStrong ? " strong" : " classic"));
      TagRecord content;
      PackPlan plan;
      std::string error;
      ASSERT_TRUE(BuildContent({temp.Join("tree")}, String(""), &content, &plan, &error)) << error;
      ContainerJob job;
      job.path = temp.Join("package.mef").c_str();
      job.password = Password("secret");
      job.base_folder = "./";
      job.compression = compression;
      job.package_kind = kind;
      job.kdf_cost = Argon2Cost{1, 256, 2};
      TagRecord header;
      ASSERT_EQ(WriteContainer(job, &header, &content), kOk);
      EXPECT_GE(plan.content_bytes, header.GetU32(kHeaderTagTotal, 0));
      EXPECT_LE(std::filesystem::file_size(temp.Join("package.mef")), WorstContainerSize(plan.content_bytes));
    }
  }
}

TEST(SelfExtractorSize, NamesEveryBoundThePackageWouldPass) {
  PayloadGrowth stub;
  std::string error;
  ASSERT_TRUE(stub.Prepare(test_stub::LoadStub(), &error)) << error;
  const bool windows = stub.Kind() == ImageKind::kPe;
  constexpr uint64_t kMiB = 1 << 20;
  struct Case {
    const char* name;
    PackageSize size;
    std::string says;  // "": it fits
  } cases[] = {
      {"a small package", {kMiB, false, 0}, ""},
      {"with presentation data", {kMiB, false, 5000}, ""},
      {"below the Windows bound", {kMaxWindowsSelfExtractor - 8 * kMiB, false, 0}, ""},
      {"at the Windows bound", {kMaxWindowsSelfExtractor, false, 0},
       windows ? "'x' is 1879048192 bytes" : ""},
      {"an estimate at the Windows bound", {kMaxWindowsSelfExtractor, true, 0},
       windows ? "the package of 'x' may take up to 1879048192 bytes" : ""},
      {"the payload header's 32 bits, exactly", {kMaxPayloadContents - 12, false, 0},
       windows ? "'x' is 4294967283 bytes" : ""},
      {"one byte more", {kMaxPayloadContents - 11, false, 0}, "at most 4294967295 bytes of package"},
      {"the presentation data counts", {kMaxPayloadContents - 148, false, 101}, "at most 4294967295 bytes"},
      {"a container of 4 GiB", {kMaxPayloadContents + 1, true, 0}, "may take up to 4294967296 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string problem = SelfExtractorSizeProblem(stub, c.size, "'x'");
    if (c.says.empty()) {
      EXPECT_EQ(problem, "");
      continue;
    }
    EXPECT_NE(problem.find(c.says), std::string::npos) << problem;
    // What to do instead is said with the bound.
    EXPECT_NE(problem.find("container file"), std::string::npos) << problem;
    // An estimate may be too high: the container written first may fit.
    EXPECT_EQ(problem.find("sfx --container") != std::string::npos, c.size.at_most) << problem;
    if (problem.find("Windows") != std::string::npos) {
      EXPECT_NE(problem.find("below 1879048192 bytes (1.75 GiB)"), std::string::npos) << problem;
      EXPECT_NE(problem.find("Linux self-extractor"), std::string::npos) << problem;
    }
  }
}

}  // namespace
}  // namespace mv::tools
