// The strong kind's test vectors (docs/strong-vectors/), read by the
// package reader exactly as docs/strong-vectors/manifest.txt says: what
// each package holds, or the code it is refused with, and for one of them
// every intermediate value of the derivation. tests/format/strong_reader.py
// reads the same vectors independently.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "container/container_format.h"
#include "container/package_reader.h"
#include "container/strong_header.h"
#include "crypto/strong_keys.h"
#include "stream/memory_stream.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tools/executable_image.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

struct Vector {
  std::string name;
  std::string password;
  std::vector<std::string> lines;           // what the package holds, or "refused N"
  std::map<std::string, std::string> values;  // intermediate values, hexadecimal
};

std::vector<Vector> ReadManifest() {
  std::ifstream in(test::SourcePath("docs/strong-vectors/manifest.txt"));
  std::vector<Vector> vectors;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line.rfind("package ", 0) == 0) {
      const size_t blank = line.find(' ', 8);
      vectors.push_back(Vector{line.substr(8, blank - 8), line.substr(blank + 1), {}, {}});
    } else if (line.rfind("value ", 0) == 0 && !vectors.empty()) {
      const size_t blank = line.find(' ', 6);
      vectors.back().values[line.substr(6, blank - 6)] = line.substr(blank + 1);
    } else if (!vectors.empty()) {
      vectors.back().lines.push_back(line);
    }
  }
  return vectors;
}

std::string Hex(const uint8_t* bytes, size_t size) {
  std::string out;
  char two[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    out += two;
  }
  return out;
}

std::string Sha256Hex(const std::string& bytes) {
  uint8_t digest[kSha256DigestSize];
  const ByteRange range{bytes.data(), bytes.size()};
  EXPECT_EQ(Sha256OfRanges(&range, 1, digest), kOk);
  return Hex(digest, sizeof digest);
}

// The manifest's line for each entry that arrived: paths in UTF-8, as the
// manifest writes them (the program's names are Windows-1252).
std::vector<std::string> LinesOf(const test::Snapshot& files, const std::string& message) {
  std::vector<std::string> lines;
  for (const auto& [path, content] : files.entries) {
    String utf8;
    EXPECT_TRUE(Windows1252ToUtf8(path.c_str(), &utf8));
    const std::string shown = utf8.c_str();
    if (!shown.empty() && shown.back() == '/') {
      lines.push_back("folder - - " + shown);
    } else {
      lines.push_back("file " + std::to_string(content.size()) + " " + Sha256Hex(content) + " " + shown);
    }
  }
  if (!message.empty()) lines.push_back("message " + std::to_string(message.size()) + " " + Sha256Hex(message));
  return lines;
}

TEST(FormatVectors, EveryVectorReadsAsItsManifestSays) {
  const std::vector<Vector> vectors = ReadManifest();
  ASSERT_GE(vectors.size(), 10u);
  for (const Vector& v : vectors) {
    SCOPED_TRACE(v.name);
    test::TempFolder folder;
    const std::string target = folder.Join("out/");
    PackageReader reader;
    ASSERT_EQ(reader.Open(String(target.c_str())), kOk);
    const std::string path = test::SourcePath("docs/strong-vectors/" + v.name);
    const Result r = reader.Decrypt(String(path.c_str()), Password(v.password.c_str()), nullptr);
    std::vector<std::string> got;
    if (r == kOk) {
      String message;
      reader.GetMessageText(message);
      got = LinesOf(test::TakeSnapshot(target), message.c_str() == nullptr ? "" : message.c_str());
    } else {
      got = {"refused " + std::to_string(r)};
    }
    reader.Cleanup(nullptr);
    // The package keeps its order; the folder a sorted one.
    std::vector<std::string> expected = v.lines;
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
  }
}

TEST(FormatVectors, IntermediateValuesAreThoseOfTheDocument) {
  for (const Vector& v : ReadManifest()) {
    if (v.values.empty()) continue;
    SCOPED_TRACE(v.name);
    Bytes package;
    ASSERT_TRUE(tools::ReadWholeFile(test::SourcePath("docs/strong-vectors/" + v.name), &package));
    MemoryStream stream;
    stream.OpenRead(package);
    TagRecord header;
    ASSERT_EQ(header.Serialize(stream), kOk);
    const size_t header_size = package.size() - stream.GetRemaining();
    StrongParameters parameters;
    ASSERT_EQ(ParseStrongParameters(header, &parameters), kOk);
    String bytes;
    ASSERT_EQ(PasswordBytes(Password(v.password.c_str()), parameters.password_form, &bytes), kOk);
    uint8_t master[32];
    ASSERT_EQ(Argon2id(RangeOf(bytes), ByteRange{parameters.salt, kStrongSaltSize}, parameters.cost, master,
                       sizeof master),
              kOk);
    EXPECT_EQ(Hex(master, sizeof master), v.values.at("argon2id"));
    StrongKeys keys;
    ASSERT_EQ(DeriveStrongKeys(bytes, parameters.salt, parameters.cost, &keys), kOk);
    EXPECT_EQ(Hex(keys.payload, sizeof keys.payload), v.values.at("payload_key"));
    EXPECT_EQ(Hex(keys.check, sizeof keys.check), v.values.at("check_key"));
    uint8_t check[kKeyCheckSize];
    ASSERT_EQ(ComputeKeyCheck(keys, ByteRange{package.data(), header_size}, check), kOk);
    EXPECT_EQ(Hex(check, sizeof check), v.values.at("key_check"));
    EXPECT_EQ(Hex(package.data() + header_size, kKeyCheckSize), v.values.at("key_check"));
    // The first chunk of a package of one chunk: number 0, flagged.
    EXPECT_EQ(Hex(parameters.nonce_prefix, sizeof parameters.nonce_prefix) + "0000000001",
              v.values.at("first_nonce"));
  }
}

}  // namespace
}  // namespace mv
