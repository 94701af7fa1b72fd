// The packer's extraction: the tree arrives whole, empty folders included,
// and a package that fails its check puts nothing at the target, not even
// for the time the decryption runs.
#include "tools/package_delivery.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "container/container_file.h"
#include "tests/support/file_tree.h"
#include "tests/support/package_builder.h"
#include "tests/support/temp_folder.h"
#include "tools/executable_image.h"

namespace mv::tools {
namespace {

const char kPassword[] = "pa\xC3\x9Fwort";

// Notes whether the target existed at any notification of the decryption.
struct TargetWatch {
  std::string target;
  bool seen = false;
};

Result WatchTarget(int32_t, int32_t, uintptr_t watch, uintptr_t) {
  auto* self = reinterpret_cast<TargetWatch*>(watch);
  if (std::filesystem::exists(self->target)) self->seen = true;
  return kOk;
}

class PackageDeliveryTest : public testing::Test {
 protected:
  void SetUp() override {
    test::MakeTree(source_, test::SampleTree());
    ASSERT_EQ(test::WriteStrongPackage(package_, source_, kPassword, Argon2Cost{1, 256, 2}), kOk);
  }

  Result Deliver(const std::string& package, TargetWatch* watch, Delivery* delivery) {
    const ProgressCallback progress{&WatchTarget, reinterpret_cast<uintptr_t>(watch), 0};
    return DeliverPackage(String(package.c_str()), FileRange(), Password(kPassword), String(watch->target.c_str()), &progress,
                          delivery);
  }

  test::TempFolder folder_;
  std::string source_ = folder_.Join("source/");
  std::string package_ = folder_.Join("package.mef");
};

TEST_F(PackageDeliveryTest, TheWholeTreeArrivesAndTheWorkFolderGoes) {
  TargetWatch watch{folder_.Join("target/")};
  Delivery delivery;
  ASSERT_EQ(Deliver(package_, &watch, &delivery), kOk);
  EXPECT_FALSE(watch.seen) << "the target is made only after the decryption";
  EXPECT_EQ(test::TakeSnapshot(watch.target).entries, test::TakeSnapshot(source_).entries);
  EXPECT_TRUE(delivery.decrypted);
  EXPECT_FALSE(std::filesystem::exists(delivery.work_folder.c_str()));
}

TEST_F(PackageDeliveryTest, APackageThatFailsItsLastChunkPutsNothingAtTheTarget) {
  Bytes bytes;
  ASSERT_TRUE(ReadWholeFile(package_, &bytes));
  bytes[bytes.size() - 20] ^= 0x01;  // inside the last chunk's ciphertext
  const std::string damaged = folder_.Join("damaged.mef");
  ASSERT_TRUE(WriteWholeFile(damaged, bytes));
  TargetWatch watch{folder_.Join("target/")};
  Delivery delivery;
  EXPECT_EQ(Deliver(damaged, &watch, &delivery), kPackageDamaged);
  EXPECT_FALSE(watch.seen);
  EXPECT_FALSE(std::filesystem::exists(watch.target));
  EXPECT_FALSE(delivery.decrypted);
  EXPECT_NE(delivery.failed_chunk, 0u);
  EXPECT_FALSE(std::filesystem::exists(delivery.work_folder.c_str()));
}

}  // namespace
}  // namespace mv::tools
