// Writes the seed inputs of every fuzz target into OUT/<target>/, each made
// by the system's own writers from a small sample tree:
//   make_fuzz_seeds OUT ELF_SFX PE_SFX
// The two self-extractors (made by fuzz/make_seeds.sh with the packer) are
// the seeds of the image target, and their payload sections those of the
// payload target. Seeds that hold a vector or salt drawn at random differ
// from run to run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/folder_entries.h"
#include "container/carrier_stream.h"
#include "container/container_file.h"
#include "container/container_format.h"
#include "crypto/aead_chunk_stream.h"
#include "crypto/crypt_stack.h"
#include "fs/temp_names.h"
#include "stream/carrier_format.h"
#include "stream/compression_stream.h"
#include "stream/memory_stream.h"
#include "stream/zstd_encoder.h"
#include "tools/executable_image.h"

namespace {

using mv::kOk;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// The password every target reads with.
const char kPassword[] = "fuzz password";

bool failed = false;

void Check(bool ok, const std::string& what) {
  if (ok) return;
  std::fprintf(stderr, "make_fuzz_seeds: %s\n", what.c_str());
  failed = true;
}

Bytes Join(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

void Seed(const fs::path& out, const char* target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(out / target);
  Check(mv::tools::WriteWholeFile((out / target / name).string(), bytes), std::string("cannot write ") + name);
}

Bytes FileBytes(const std::string& path) {
  Bytes bytes;
  Check(mv::tools::ReadWholeFile(path, &bytes), "cannot read " + path);
  return bytes;
}

Bytes SampleText() {
  const std::string text =
      "Dear reader,\nthe files you asked for are attached. Dear reader, the files you asked for.\n";
  return Bytes(text.begin(), text.end());
}

// A folder with a subfolder and two small files, and its content record.
mv::TagRecord MakeTree(const fs::path& root) {
  fs::create_directories(root / "docs" / "notes");
  Check(mv::tools::WriteWholeFile((root / "docs" / "letter.txt").string(), SampleText()), "sample file");
  Check(mv::tools::WriteWholeFile((root / "docs" / "notes" / "data.bin").string(), Bytes{0, 1, 2, 255}), "sample");
  mv::TagRecord content;
  Check(mv::AddFolderEntries(mv::String((root.string() + "/").c_str()), mv::kContentTagEntry, &content) == kOk,
        "entries of the sample tree");
  content.SetText(mv::kContentTagMessage, "Hello, here are the files.", true);
  return content;
}

Bytes RecordBytes(mv::TagRecord content, const fs::path& root) {
  const std::string base = root.string() + "/";
  mv::StreamContext context{base.c_str(), nullptr, 0, 0};
  mv::MemoryStream out;
  out.OpenWrite(&context);
  Check(content.Serialize(out) == kOk, "content record");
  return out.GetData();
}

void CompressionSeeds(const fs::path& out) {
  for (uint8_t setting = 0; setting < 3; ++setting) {
    mv::MemoryStream sink;
    sink.OpenWrite();
    mv::CompressionStream compression;
    Check(compression.Open(&sink, setting) == kOk, "compression");
    const Bytes text = SampleText();
    compression.Write(text.data(), static_cast<uint32_t>(text.size()));
    Check(compression.Close() == kOk, "compression close");
    // Transfers of 4096 bytes; the last seed also crosses a block.
    const uint8_t control = static_cast<uint8_t>(setting | (2 << 2) | (setting == 2 ? 0x40 : 0));
    Seed(out, "compression_fuzz", "setting" + std::to_string(setting), Join({control}, sink.GetData()));
  }
}

void CryptStackSeeds(const fs::path& out) {
  struct Row {
    const char* name;
    mv::CipherId id;
    uint32_t compression;
    bool stacked;
  } rows[] = {{"blowfish", mv::kCipherBlowfish, 0, false},
              {"aes", mv::kCipherAes, 0, false},
              {"aes-best", mv::kCipherAes, 1, true},
              {"blowfish-fast", mv::kCipherBlowfish, 2, true}};
  for (const Row& row : rows) {
    mv::MemoryStream sink;
    sink.OpenWrite();
    const Bytes text = SampleText();
    mv::CryptStack stack;
    mv::CipherStream cipher;
    mv::Stream& layer = row.stacked ? static_cast<mv::Stream&>(stack) : cipher;
    const mv::Result opened = row.stacked ? stack.Open(&sink, mv::String(kPassword), nullptr, row.id, row.compression)
                                          : cipher.Open(&sink, mv::String(kPassword), nullptr, row.id);
    Check(opened == kOk, "crypt stack");
    layer.Write(text.data(), static_cast<uint32_t>(text.size()));
    Check(layer.Close() == kOk, "crypt stack close");
    const uint8_t control = static_cast<uint8_t>(row.id | (row.compression << 2) | (row.stacked ? 0x10 : 0));
    Seed(out, "crypt_stack_fuzz", row.name, Join({control}, sink.GetData()));
  }
}

// size bytes of noise that classify as format for the extension of path.
Bytes CarrierFile(uint32_t format, size_t size) {
  Bytes bytes(size);
  uint32_t state = 12345;
  for (auto& b : bytes) {
    state = state * 1103515245 + 12345;
    b = static_cast<uint8_t>(state >> 16);
  }
  const uint8_t bits = static_cast<uint8_t>(format & 0xFFFF);
  if ((format >> 16) == 2) {
    const char riff[] = "RIFF\0\0\0\0WAVEfmt ";
    for (size_t i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(riff[i]);
    bytes[34] = bits;
    bytes[35] = 0;
  } else {
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[8] = 0;
    bytes[28] = bits;
    bytes[29] = 0;
    bytes[30] = 0;
  }
  return bytes;
}

// A carrier of format big enough for payload bytes.
std::string WriteCarrier(const fs::path& folder, uint32_t format, uint32_t payload) {
  mv::CarrierLayout layout{};
  mv::GetCarrierLayout(format, &layout);
  const bool wav = (format >> 16) == 2;
  const std::string path = (folder / (wav ? "carrier.wav" : "carrier.bmp")).string();
  Check(mv::tools::WriteWholeFile(path, CarrierFile(format, layout.data_offset + layout.unit_bits * (payload + 120))),
        "carrier");
  Check(mv::DetectCarrierFormat(mv::String(path.c_str())) == format, "carrier format");
  return path;
}

void PackageSeeds(const fs::path& out, const fs::path& work, const mv::TagRecord& content, const fs::path& root) {
  for (uint32_t compression : {0u, 1u, 2u}) {
    const std::string path = (work / "package.mef").string();
    mv::ContainerJob job;
    job.path = path.c_str();
    job.password = mv::Password(kPassword);
    job.base_folder = nullptr;
    const std::string base = root.string() + "/";
    job.base_folder = base.c_str();
    job.compression = compression;
    mv::TagRecord header;
    mv::TagRecord copy(content);
    Check(mv::WriteContainer(job, &header, &copy) == kOk, "container");
    Seed(out, "package_reader_fuzz", "container" + std::to_string(compression), Join({0}, FileBytes(path)));
    fs::remove(path);
  }
  const Bytes record = RecordBytes(content, root);
  for (uint8_t choice : {0, 3}) {
    Seed(out, "package_reader_fuzz", "sealed" + std::to_string(choice), Join({3, choice}, record));
  }
  Seed(out, "tag_record_fuzz", "content", record);
  Seed(out, "archive_entry_fuzz", "content", Join({0}, record));
  Seed(out, "archive_entry_fuzz", "content-measured", Join({1}, record));
  Seed(out, "archive_entry_fuzz", "content-executables", Join({2}, record));

  // Carriers with a hidden container: a payload of about 400 bytes.
  for (uint32_t format : {mv::kCarrierBmp24, mv::kCarrierWav16}) {
    const std::string path = WriteCarrier(work, format, 600);
    mv::ContainerJob job;
    job.kind = mv::kContainerCarrier;
    job.carrier_format = format;
    job.path = path.c_str();
    job.password = mv::Password(kPassword);
    const std::string base = root.string() + "/";
    job.base_folder = base.c_str();
    mv::TagRecord header;
    mv::TagRecord copy(content);
    Check(mv::WriteContainer(job, &header, &copy) == kOk, "carrier container");
    const bool wav = (format >> 16) == 2;
    Seed(out, "package_reader_fuzz", wav ? "carrier-wav" : "carrier-bmp", Join({uint8_t(wav ? 2 : 1)}, FileBytes(path)));
    fs::remove(path);
  }
}

// Strong packages at a small key derivation cost, and chunks alone under
// the fixed frame of strong_container_fuzz.cpp.
void StrongSeeds(const fs::path& out, const fs::path& work, const mv::TagRecord& content, const fs::path& root) {
  for (uint32_t compression : {0u, 1u, 2u}) {
    const std::string path = (work / "package.mef").string();
    mv::ContainerJob job;
    job.path = path.c_str();
    job.password = mv::Password(kPassword);
    const std::string base = root.string() + "/";
    job.base_folder = base.c_str();
    job.compression = compression;
    job.package_kind = mv::PackageKind::kStrong;
    job.kdf_cost = mv::Argon2Cost{1, 64, 1};
    mv::TagRecord header;
    mv::TagRecord copy(content);
    Check(mv::WriteContainer(job, &header, &copy) == kOk, "strong container");
    Seed(out, "strong_container_fuzz", "package" + std::to_string(compression), Join({0}, FileBytes(path)));
    fs::remove(path);
  }
  const uint8_t key[mv::kGcmKeySize] = {0x5A, 0x17};
  const uint8_t prefix[mv::AeadChunkStream::kNoncePrefixSize] = {1, 2, 3, 4, 5, 6, 7};
  const char header[] = "fuzz header";
  for (uint32_t size : {0u, 100u, 65536u + 100u}) {
    Bytes plain(size);
    for (uint32_t i = 0; i < size; ++i) plain[i] = static_cast<uint8_t>(i * 7);
    mv::MemoryStream sink;
    sink.OpenWrite();
    mv::AeadChunkStream chunks;
    Check(chunks.Open(&sink, key, prefix, mv::ByteRange{header, sizeof header - 1}, 0) == kOk, "chunk stream");
    if (size != 0) chunks.Write(plain.data(), size);
    Check(chunks.Close() == kOk, "chunk stream close");
    Seed(out, "strong_container_fuzz", "chunks" + std::to_string(size), Join({1}, sink.GetData()));
  }
  // Zstandard frames of the writer: window log 20, the size, pieces of 64 KiB.
  mv::RegisterZstdEncoder();
  for (uint32_t size : {0u, 1000u, 100000u}) {
    Bytes plain(size);
    for (uint32_t i = 0; i < size; ++i) plain[i] = static_cast<uint8_t>((i / 10) * 7);
    for (uint8_t level : {3, 19}) {
      mv::MemoryStream sink;
      sink.OpenWrite();
      mv::ZstdStream frame;
      Check(frame.OpenWriting(&sink, mv::ZstdCoding{level, 20}, 0, size) == kOk, "zstd stream");
      if (size != 0) frame.Write(plain.data(), size);
      Check(frame.Close() == kOk, "zstd stream close");
      const Bytes head = {2, 10, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                          static_cast<uint8_t>(size >> 16), 0, 0};
      Seed(out, "strong_container_fuzz", "frame" + std::to_string(size) + "_" + std::to_string(level),
           Join(head, sink.GetData()));
    }
  }
}

void CarrierSeeds(const fs::path& out, const fs::path& work) {
  const Bytes text = SampleText();
  for (uint32_t format : {mv::kCarrierBmp8, mv::kCarrierBmp24, mv::kCarrierWav8, mv::kCarrierWav16}) {
    const bool wav = (format >> 16) == 2;
    for (bool stored : {false, true}) {
      const std::string path = WriteCarrier(work, format, static_cast<uint32_t>(text.size()) + 40);
      mv::TagRecord header;
      header.SetU32(mv::kCarrierTagPayloadSize, static_cast<uint32_t>(text.size()), true);
      if (stored) header.SetU8(mv::kCarrierTagStored, 1, true);
      const uint8_t salt[8] = {9, 8, 7, 6, 5, 4, 3, 2};
      mv::TagValue salt_value;
      salt_value.SetBlob(salt, sizeof salt);
      header.Set(mv::kCarrierTagSalt, salt_value, true);
      {
        mv::CarrierStream stream;
        Check(stream.Open(mv::Stream::kWriting, mv::String(path.c_str()), format, mv::String(kPassword), header,
                          nullptr) == kOk,
              "carrier stream");
        stream.Write(text.data(), static_cast<uint32_t>(text.size()));
        Check(stream.Close() == kOk, "carrier stream close");
      }
      Bytes control = {static_cast<uint8_t>((wav ? 1 : 0) | (stored ? 2 : 0))};
      if (stored) {
        for (int i = 0; i < 4; ++i) control.push_back(static_cast<uint8_t>(text.size() >> (8 * i)));
      }
      const std::string name = std::to_string(format & 0xFFFF) + (wav ? "-wav" : "-bmp") + (stored ? "-stored" : "");
      Seed(out, "carrier_fuzz", name, Join(control, FileBytes(path)));
      fs::remove(path);
    }
  }
  // A plain carrier that the target writes a 60-byte payload into.
  const std::string path = WriteCarrier(work, mv::kCarrierBmp24, 100);
  Seed(out, "carrier_fuzz", "write-bmp", Join({4, 60}, FileBytes(path)));
  fs::remove(path);
}

void ImageSeeds(const fs::path& out, const char* elf, const char* pe) {
  for (const char* path : {elf, pe}) {
    const Bytes image = FileBytes(path);
    const std::string name = fs::path(path).filename().string();
    Seed(out, "executable_image_fuzz", name, image);
    Bytes section;
    std::string error;
    Check(mv::tools::ReadPayloadSection(image, &section, &error), name + ": " + error);
    Seed(out, "payload_fuzz", name, section);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_fuzz_seeds OUT ELF_SFX PE_SFX\n");
    return 2;
  }
  mv::RegisterArchiveEntries();
  const fs::path out = argv[1];
  const mv::String temp = mv::MakeTempFolder(mv::GetTempFolder(), mv::String("MVSEED_"));
  Check(!temp.IsEmpty(), "no temporary folder");
  if (failed) return 1;
  const fs::path work = temp.c_str();
  const fs::path root = work / "sample";
  const mv::TagRecord content = MakeTree(root);

  CompressionSeeds(out);
  CryptStackSeeds(out);
  PackageSeeds(out, work, content, root);
  StrongSeeds(out, work, content, root);
  CarrierSeeds(out, work);
  ImageSeeds(out, argv[2], argv[3]);
  fs::remove_all(work);
  return failed ? 1 : 0;
}
