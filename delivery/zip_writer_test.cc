#include "delivery/zip_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "delivery/sha256.h"

namespace zarvek {
namespace {

TEST(CheckMemberName, RefusesNamesThatLeaveTheFolderOrReadDifferently) {
  const std::string refused[] = {
      "",
      "/etc/passwd",
      "C:/Windows/x.txt",
      "c:x",
      "a/b:stream",
      "2. DATOS GNSS\\x.obs",
      "../fuera.txt",
      "a/../../b",
      "a/./b",
      "a//b",
      "a/",
      "..",
      std::string("a\0b", 3),
      "linea\nnueva",
      "tab\tname",
      "\xC3",  // cut sequence
      "\xC0\xAF"
      "etc",               // overlong "/"
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xFF",
      std::string(65536, 'a'),
  };
  for (const std::string& name : refused) {
    const Status status = CheckMemberName(name);
    EXPECT_FALSE(status.ok()) << "accepted: " << name;
    EXPECT_EQ(status.message().rfind("NOMBRE NO ADMITIDO EN EL PAQUETE (", 0),
              0u)
        << status.message();
  }
  const std::string accepted[] = {
      "a",
      "2. DATOS GNSS/PUNTO Ñ/CÁLCULO DE ALTURAS.pdf",
      "..a/b..",
      ".oculto/x",
      "FOTOS/9. ACABADO/IMG 0001.JPG",
      "\xE5\x90\x8D\xE5\x89\x8D",  // CJK
      "\xF0\x9F\x93\x82 carpeta",  // outside the BMP
      std::string(65535, 'a'),
  };
  for (const std::string& name : accepted) {
    EXPECT_TRUE(CheckMemberName(name).ok()) << CheckMemberName(name).message();
  }
}

TEST(MethodForName, StoresWhatIsCompressedAlreadyInAnyCase) {
  for (const char* name :
       {"F/IMG_1.JPG", "a.jpeg", "v.MOV", "v.mp4", "x.tar.gz", "r.21o.Z",
        "b.bz2", "p.png", "p.HEIC", "a.7z", "z.zip"}) {
    EXPECT_EQ(MethodForName(name), ZipMethod::kStored) << name;
  }
  for (const char* name : {"a.pdf", "a.txt", "a.21o", "sin extension",
                           "fotos.jpg/notas", "a.csv", "a.jpg.txt"}) {
    EXPECT_EQ(MethodForName(name), ZipMethod::kDeflated) << name;
  }
}

// The FIPS 180-2 examples, fed whole and in uneven pieces that straddle
// the 64-byte blocks and the padding's 56-byte boundary.
TEST(Sha256, MatchesTheStandardVectorsWhateverThePieces) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) {
    Sha256 whole;
    whole.Update(c.message);
    EXPECT_EQ(whole.HexDigest(), c.digest);
    Sha256 pieces;
    std::size_t at = 0;
    for (std::size_t step = 1; at < c.message.size(); step = step * 3 + 1) {
      const std::size_t n = std::min(step % 97, c.message.size() - at);
      pieces.Update(std::string_view(c.message).substr(at, n));
      at += n;
    }
    EXPECT_EQ(pieces.HexDigest(), c.digest) << c.message.size();
  }
}

}  // namespace
}  // namespace zarvek
