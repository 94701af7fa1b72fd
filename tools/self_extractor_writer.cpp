#include "tools/self_extractor_writer.h"

#include <algorithm>

#include "app/payload.h"
#include "base/text_catalogue.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "fs/temp_names.h"
#include "platform/files.h"
#include "tools/self_extractor_size.h"

namespace mv::tools {
namespace {

// The bytes moved at a time: memory stays flat whatever the package's size.
constexpr size_t kPiece = 1 << 20;

uint32_t HeaderSize(const SectionLayout& layout) {
  return layout.present ? PayloadHeader::kLayoutSize : PayloadHeader::kPlainSize;
}

void PutWord(Bytes& bytes, size_t offset, uint64_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool WriteAll(platform::File& file, const void* data, size_t length) {
  return length == 0 || file.Write(data, length) == length;
}

bool WriteZeros(platform::File& file, uint64_t length) {
  const Bytes zeros(static_cast<size_t>(std::min<uint64_t>(length, kPiece)), 0);
  for (uint64_t left = length; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(left, zeros.size()));
    if (!WriteAll(file, zeros.data(), n)) return false;
    left -= n;
  }
  return true;
}

bool WriteText(platform::File& file, const String& text) {
  return WriteAll(file, text.c_str() == nullptr ? "" : text.c_str(), static_cast<size_t>(text.GetLength()) + 1);
}

// Why a write to file failed.
std::string WriteProblem(const platform::File& file) {
  return file.OutOfSpace() ? "not enough free disk space (code " + std::to_string(kDiskFull) + ")"
                           : "the write failed (code " + std::to_string(kShortWrite) + ")";
}

// The PE checksum of the whole file, read back in pieces.
bool SumFile(platform::File& file, uint64_t checksum_offset, uint32_t* value) {
  ImageChecksum checksum(checksum_offset);
  Bytes piece(kPiece);
  if (!file.Flush() || !file.Seek(0, platform::SeekOrigin::kBegin)) return false;
  for (size_t n; (n = file.Read(piece.data(), piece.size())) > 0;) checksum.Add(piece.data(), n);
  *value = checksum.Value();
  return true;
}

}  // namespace

uint64_t SectionLayout::Size() const {
  if (!present) return 0;
  return static_cast<uint64_t>(description.GetLength()) + link.GetLength() + disclaimer.GetLength() + 3 +
         bitmap.size();
}

SelfExtractorWriter::~SelfExtractorWriter() {
  if (!finished_ && !temporary_.IsEmpty() && FileExists(temporary_)) RemoveFile(temporary_);
}

bool SelfExtractorWriter::Fail(std::string* error, const std::string& why) const {
  *error = "cannot write '" + out_ + "': " + why;
  return false;
}

FileRange SelfExtractorWriter::ContainerRange() const {
  FileRange range;
  range.offset = container_offset_;
  return range;
}

bool SelfExtractorWriter::Begin(const PayloadGrowth& stub, const std::string& out, const SectionLayout& layout,
                                bool replace, std::string* error) {
  stub_ = &stub;
  replace_ = replace;
  layout_ = &layout;
  out_ = out;
  // A bare name is a file in the current folder.
  out_path_ = ToInternalPath(String(out.c_str()));
  if (GetFolderPart(out_path_).IsEmpty()) out_path_ = String("./") + out_path_;
  if (FolderExists(AddTrailingSlash(out_path_))) return Fail(error, "it is a folder");
  const String name = GetFileName(out_path_);
  if (name.IsEmpty()) return Fail(error, "it names no file");
  platform::File file;
  const Result r = CreateUniqueFile(GetFolderPart(out_path_), name + ".", String("part"), &file, &temporary_);
  if (r != kOk) return Fail(error, "no file can be made beside it: " + std::string(DescribeResult(r)) + " (code " + std::to_string(r) + ")");
  // The stub up to its section and the payload header's room; the headers
  // are patched once the contents' size is known.
  GrownImage grown;
  const uint32_t header = HeaderSize(layout);
  std::string why;
  if (!stub.Lay(header, &grown, &why)) return Fail(error, why);
  const Bytes room(header, 0);
  const bool written = WriteAll(file, grown.head.data(), grown.head.size()) && WriteAll(file, room.data(), room.size());
  if (!file.Close() || !written) {
    return Fail(error, WriteProblem(file));
  }
  container_offset_ = stub.ContentsOffset() + header;
  return true;
}

bool SelfExtractorWriter::CopyContainer(const std::string& path, std::string* error) {
  platform::File in;
  if (!in.Open(path.c_str(), "rb")) {
    *error = "cannot open '" + path + "'";
    return false;
  }
  platform::File file;
  if (!file.Open(temporary_.c_str(), "r+b") ||
      !file.Seek(static_cast<int64_t>(container_offset_), platform::SeekOrigin::kBegin)) {
    return Fail(error, "its temporary file cannot be opened again");
  }
  Bytes piece(kPiece);
  bool written = true;
  for (size_t n; written && (n = in.Read(piece.data(), piece.size())) > 0;) written = WriteAll(file, piece.data(), n);
  if (!file.Close() || !written) {
    return Fail(error, WriteProblem(file));
  }
  return true;
}

bool SelfExtractorWriter::Finish(std::string* error) {
  platform::File file;
  if (!file.Open(temporary_.c_str(), "r+b") || !file.Seek(0, platform::SeekOrigin::kEnd)) {
    return Fail(error, "its temporary file cannot be opened again");
  }
  const int64_t end = file.Tell();
  if (end < 0 || static_cast<uint64_t>(end) < container_offset_) return Fail(error, "the container is missing");
  container_size_ = static_cast<uint64_t>(end) - container_offset_;
  const SectionLayout& layout = *layout_;
  const std::string problem =
      SelfExtractorSizeProblem(*stub_, PackageSize{container_size_, false, layout.Size()}, "the package written");
  if (!problem.empty()) return Fail(error, problem);

  // The presentation data behind the container, placed by offsets from the
  // payload header.
  const uint32_t header_size = HeaderSize(layout);
  Bytes header(header_size, 0);
  PutWord(header, PayloadHeader::kSizeField, header_size);
  PutWord(header, PayloadHeader::kMarkerField, PayloadHeader::kMarker);
  PutWord(header, PayloadHeader::kDataSizeField, container_size_);
  uint64_t at = header_size + container_size_;
  bool written = true;
  if (layout.present) {
    struct {
      size_t field;
      const String* text;
    } texts[] = {{PayloadHeader::kInfoOffsetField, &layout.description},
                 {PayloadHeader::kLinkOffsetField, &layout.link},
                 {PayloadHeader::kDisclaimerOffsetField, &layout.disclaimer}};
    for (const auto& text : texts) {
      PutWord(header, text.field, at);
      written = written && WriteText(file, *text.text);
      at += static_cast<uint64_t>(text.text->GetLength()) + 1;
    }
    PutWord(header, PayloadHeader::kBitmapOffsetField, layout.bitmap.empty() ? 0 : at);
    PutWord(header, PayloadHeader::kBitmapSizeField, layout.bitmap.size());
    written = written && WriteAll(file, layout.bitmap.data(), layout.bitmap.size());
    at += layout.bitmap.size();
  }

  // The rest of the image behind the contents, then the patched headers.
  GrownImage grown;
  std::string why;
  if (!stub_->Lay(at, &grown, &why)) return Fail(error, why);
  written = written && WriteZeros(file, grown.padding) && WriteAll(file, grown.tail.data(), grown.tail.size()) &&
            file.Seek(0, platform::SeekOrigin::kBegin) && WriteAll(file, grown.head.data(), grown.head.size()) &&
            WriteAll(file, header.data(), header.size());
  if (written && grown.checksum_offset != 0) {
    uint32_t checksum = 0;
    uint8_t field[4];
    written = SumFile(file, grown.checksum_offset, &checksum);
    for (int i = 0; i < 4; ++i) field[i] = static_cast<uint8_t>(checksum >> (8 * i));
    written = written && file.Seek(static_cast<int64_t>(grown.checksum_offset), platform::SeekOrigin::kBegin) &&
              WriteAll(file, field, sizeof field);
  }
  if (!file.Close() || !written) {
    return Fail(error, WriteProblem(file));
  }

  {
    // Closed again before the rename, which Windows refuses on an open file.
    FileImage written_image;
    if (!written_image.Open(temporary_.c_str()) || written_image.Size() != grown.Size()) {
      return Fail(error, "the written image has not the size it should have");
    }
    if (!stub_->CheckGrown(written_image, at, &why)) return Fail(error, why);
  }
  // Into place: whatever was at the name goes (never followed if a link),
  // when replacing was asked for.
  if (PathExists(out_path_)) {
    if (!replace_) {
      return Fail(error, std::string(DescribeResult(kOutputExists)) + " (code " + std::to_string(kOutputExists) + ")");
    }
    if (RemoveFile(out_path_) != kOk) return Fail(error, "the file there cannot be replaced");
  }
  if (RenameFile(temporary_, GetFileName(out_path_)) != kOk) return Fail(error, "its temporary file cannot be renamed");
  finished_ = true;
  platform::MakeExecutable(out_path_.c_str());
  return true;
}

}  // namespace mv::tools
