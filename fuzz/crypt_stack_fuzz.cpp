// The cipher streams and the crypt stack (compression over encipherment).
// The first byte picks the cipher id (0 Blowfish, 1 reserved, 2 AES, 3
// unknown), the compression setting (3 is refused), whether the compression
// layer sits on top, and whether the password check is put in front of the
// data, whether a worker thread compresses and inflates (bit 6); with bit 7
// set the next block-size bytes are the initial vector.
// The rest is
//  - read as the enciphered body, as a damaged or hostile container holds
//    it (chunk lengths are refused above the chunk limit, so reading never
//    allocates more than one chunk);
//  - written and read back, which must give the same bytes and nothing
//    after them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "crypto/cipher_stream.h"
#include "crypto/crypt_stack.h"
#include "crypto/key_derivation.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/piecewise.h"
#include "stream/memory_stream.h"

namespace {

using mv::kOk;
using Bytes = std::vector<uint8_t>;

constexpr size_t kReadLimit = 4u << 20;
constexpr uint32_t kPiece = 40000;  // neither a block nor a chunk multiple

struct Setup {
  mv::CipherId id;
  uint32_t compression;
  bool stacked;
  unsigned workers;  // of the compression layer
  const mv::TagValue* vector;
};

const mv::String& Password() {
  static const mv::String password("fuzz password");
  return password;
}

void Fail(const char* what, const Setup& setup) {
  std::fprintf(stderr, "crypt stack (cipher %u, compression %u, %s): %s\n", setup.id, setup.compression,
               setup.stacked ? "stacked" : "cipher only", what);
  std::abort();
}

// Either layer over inner, in inner's direction.
class Layer {
 public:
  mv::Result Open(mv::Stream* inner, const Setup& setup) {
    stacked_ = setup.stacked;
    stack_.SetWorkerCount(setup.workers);
    return stacked_ ? stack_.Open(inner, Password(), setup.vector, setup.id, setup.compression)
                    : cipher_.Open(inner, Password(), setup.vector, setup.id);
  }
  mv::Stream& Get() { return stacked_ ? static_cast<mv::Stream&>(stack_) : cipher_; }

 private:
  bool stacked_ = false;
  mv::CipherStream cipher_;
  mv::CryptStack stack_;
};

void ReadBody(const Bytes& body, const Setup& setup) {
  mv::MemoryStream source;
  source.OpenRead(body);
  Layer layer;
  if (layer.Open(&source, setup) != kOk) return;
  mv::fuzz::ReadUntilFailure(layer.Get(), kPiece, kReadLimit);
  layer.Get().Close();
}

void RoundTrip(const Bytes& data, const Setup& setup) {
  mv::MemoryStream sink;
  sink.OpenWrite();
  {
    Layer writer;
    if (writer.Open(&sink, setup) != kOk) return;  // a refused cipher, setting or vector
    if (mv::fuzz::WriteInPieces(writer.Get(), data, kPiece) != kOk) Fail("write failed", setup);
    if (writer.Get().Close() != kOk) Fail("close after writing failed", setup);
  }
  mv::MemoryStream source;
  source.OpenRead(sink.GetData());
  Layer reader;
  if (reader.Open(&source, setup) != kOk) Fail("what was written does not open", setup);
  if (!mv::fuzz::ReadsBackExactly(reader.Get(), data, kPiece)) Fail("did not read back exactly what was written", setup);
  reader.Get().Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mv::fuzz::Input input(data, size);
  const uint8_t control = input.Byte();
  Setup setup{static_cast<mv::CipherId>(control & 3), (control >> 2) & 3u, (control & 0x10) != 0,
              (control & 0x40) != 0 ? 1u : 0u, nullptr};
  mv::TagValue vector;
  if ((control & 0x80) != 0) {
    const Bytes bytes = input.Bytes(mv::BlockCipher::BlockSize(setup.id));
    vector.SetBlob(bytes.data(), static_cast<uint32_t>(bytes.size()));
    setup.vector = &vector;
  }
  const Bytes rest = input.Rest();

  Bytes body;
  if ((control & 0x20) != 0) {
    uint16_t verifier = 0;
    mv::ComputeVerifier(Password(), verifier);
    body = {static_cast<uint8_t>(verifier & 0xFF), static_cast<uint8_t>(verifier >> 8)};
  }
  body.insert(body.end(), rest.begin(), rest.end());
  ReadBody(body, setup);
  RoundTrip(rest, setup);
  return 0;
}
