// The page's iconv, for the one conversion the core asks for: code page 932
// to UTF-8. Emscripten's C library decodes Shift-JIS differently from glibc,
// so these definitions take the place of its own, with tables made from the
// build machine's glibc: a database's name reads as the native programs read it.

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

#include "cp932_table.inc"

constexpr std::uint16_t kNone = 0xFFFF;
int handle;  // its address is the one descriptor; the conversion keeps no state

std::size_t Utf8Length(std::uint16_t code) { return code < 0x80 ? 1 : code < 0x800 ? 2 : 3; }

char* PutUtf8(char* out, std::uint16_t code) {
  if (code < 0x80) {
    *out++ = static_cast<char>(code);
  } else if (code < 0x800) {
    *out++ = static_cast<char>(0xC0 | code >> 6);
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | code >> 12);
    *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

bool IsLead(std::uint8_t byte) {
  if (byte < 0x80 || kCp932Single[byte] != kNone) return false;
  for (int trail = 0; trail < 256; ++trail)
    if (kCp932Double[(byte - 0x80) * 256 + trail] != kNone) return true;
  return false;
}

}  // namespace

extern "C" {

iconv_t iconv_open(const char* to, const char* from) {
  if (std::strcmp(to, "UTF-8") != 0 || std::strcmp(from, "CP932") != 0) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  return reinterpret_cast<iconv_t>(&handle);
}

std::size_t iconv(iconv_t, char** in, std::size_t* inLeft, char** out, std::size_t* outLeft) {
  if (in == nullptr || *in == nullptr) return 0;
  while (*inLeft > 0) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(*in);
    std::uint16_t code = kCp932Single[bytes[0]];
    std::size_t used = 1;
    if (code == kNone && bytes[0] >= 0x80) {
      if (*inLeft < 2) {
        errno = IsLead(bytes[0]) ? EINVAL : EILSEQ;
        return static_cast<std::size_t>(-1);
      }
      code = kCp932Double[(bytes[0] - 0x80) * 256 + bytes[1]];
      used = 2;
    }
    if (code == kNone) {
      errno = EILSEQ;
      return static_cast<std::size_t>(-1);
    }
    if (Utf8Length(code) > *outLeft) {
      errno = E2BIG;
      return static_cast<std::size_t>(-1);
    }
    char* end = PutUtf8(*out, code);
    *outLeft -= static_cast<std::size_t>(end - *out);
    *out = end;
    *in += used;
    *inLeft -= used;
  }
  return 0;
}

int iconv_close(iconv_t) { return 0; }

}  // extern "C"
